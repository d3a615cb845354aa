// What one sheet of the sample workbook takes along, decided before anything is written: its
// drawing and chart but not its pivot table, the workbook-level parts it uses and not those of
// the other sheets, and which parts are written anew, in the order they are decided.
#include <gtest/gtest.h>

#include "host/PackageBuilder.h"
#include "host/cells/SharedStrings.h"
#include "host/cells/SheetScan.h"
#include "host/extract/PartGraph.h"
#include "host/extract/SheetExtractor.h"
#include "host/package/ContentTypes.h"
#include "host/package/WorkbookModel.h"
#include "host/refs/SheetScope.h"
#include "host/zip/ZipReader.h"
#include "support/TestEnv.h"

namespace {

using namespace pv::host;
using namespace pv::test;

const std::string kRelTypes =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

std::string relationships(const std::string& rels) {
    return "<Relationships "
           "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
           rels + "</Relationships>";
}

TEST(PartGraph, TheSheetTakesWhatItReachesAndWhatItUsesOfTheWorkbook) {
    auto parts = sampleWorkbookParts();
    std::string& types = parts.front().data;
    types.insert(types.find("</Types>"),
                 "<Override PartName=\"/xl/charts/chart1.xml\" ContentType=\"application/"
                 "vnd.openxmlformats-officedocument.drawingml.chart+xml\"/>");
    setPart(parts, "xl/worksheets/_rels/sheet3.xml.rels",
            relationships("<Relationship Id=\"rId1\" Type=\"" + kRelTypes +
                          "pivotTable\" Target=\"../pivotTables/pivotTable1.xml\"/>"
                          "<Relationship Id=\"rId2\" Type=\"" +
                          kRelTypes + "drawing\" Target=\"../drawings/drawing1.xml\"/>"));
    setPart(parts, "xl/pivotTables/pivotTable1.xml", "<pivotTableDefinition/>");
    setPart(parts, "xl/drawings/drawing1.xml", "<wsDr/>");
    setPart(parts, "xl/drawings/_rels/drawing1.xml.rels",
            relationships("<Relationship Id=\"rId1\" Type=\"" + kRelTypes +
                          "chart\" Target=\"../charts/chart1.xml\"/>"));
    setPart(parts, "xl/charts/chart1.xml", "<chartSpace/>");
    TempDir dir;
    writePackage(dir / "book.xlsx", parts);

    const ZipReader zip(dir / "book.xlsx");
    const auto model = WorkbookModel::read(zip);
    const auto contentTypes = ContentTypes::read(zip);
    SharedStrings strings;
    strings.load(zip, model.sharedStringsPart);
    const auto tables = SheetScope::readTableNames(zip, model);
    const SheetScope scope(model, tables, 2);
    ScanOptions options;
    options.scope = &scope;
    options.sharedStringCount = strings.size();
    const auto scan = scanSheet(zip, model.sheets[2].part, options);
    const auto graph = buildPartGraph({zip, model, contentTypes, &strings}, 2, scan, scope);

    EXPECT_EQ(graph.parts,
              (std::vector<std::string>{
                  "_rels/.rels", "docProps/app.xml", "xl/workbook.xml",
                  "xl/_rels/workbook.xml.rels", "xl/sharedStrings.xml", "xl/worksheets/sheet3.xml",
                  "xl/worksheets/_rels/sheet3.xml.rels", "xl/drawings/drawing1.xml",
                  "xl/drawings/_rels/drawing1.xml.rels", "xl/charts/chart1.xml"}));
    using Kind = PartRewrite::Kind;
    std::vector<std::pair<Kind, std::string>> rewrites;
    for (const auto& rewrite : graph.rewrites) {
        rewrites.emplace_back(rewrite.kind, rewrite.part);
    }
    EXPECT_EQ(rewrites, (std::vector<std::pair<Kind, std::string>>{
                            {Kind::Chart, "xl/charts/chart1.xml"},
                            {Kind::Relationships, "xl/worksheets/_rels/sheet3.xml.rels"},
                            {Kind::Sheet, "xl/worksheets/sheet3.xml"},
                            {Kind::Workbook, "xl/workbook.xml"},
                            {Kind::WorkbookRelationships, "xl/_rels/workbook.xml.rels"},
                            {Kind::SharedStrings, "xl/sharedStrings.xml"},
                            {Kind::PackageRelationships, "_rels/.rels"},
                            {Kind::AppProperties, "docProps/app.xml"}}));
    EXPECT_EQ(graph.rewrites[1].droppedRelationships, std::set<std::string>{"rId1"});
    EXPECT_TRUE(graph.rewrites[2].droppedRelationships.empty());  // a pivot table leaves no mark
    EXPECT_EQ(graph.keptWorkbookRelationships, (std::set<std::string>{"rId3", "rId4"}));
    EXPECT_FALSE(graph.keepsExternalLinks);
}

}  // namespace
