// What a sheet's drawings and tables take along from a workbook they no longer share: a shape's
// or picture's hyperlink to another sheet (also one in a chart's own shapes) would be dead and
// names that sheet, so it goes with its relationship; links to the sheet itself and to the
// outside stay. A table's column and totals formulas that reach another sheet (directly,
// through a name or through another sheet's table) go; the cells keep what they showed.
#include <gtest/gtest.h>

#include "host/PackageBuilder.h"
#include "host/SpreadsheetHost.h"
#include "support/OutputCheck.h"
#include "support/TestEnv.h"

namespace {

using namespace pv::test;

const std::string kOd = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
const std::string kA = "http://schemas.openxmlformats.org/drawingml/2006/main";

void insertBefore(std::vector<PackagePart>& parts, const std::string& name,
                  const std::string& before, const std::string& text) {
    replaceInPart(parts, name, before, text + before);
}

std::string relationships(const std::string& body) {
    return kHead + "<Relationships xmlns=\"" + kPkg + "\">" + body + "</Relationships>";
}

std::string relationship(const std::string& id, const std::string& type, const std::string& target,
                         bool external = false) {
    return "<Relationship Id=\"" + id + "\" Type=\"" + kOd + type + "\" Target=\"" + target + "\"" +
           (external ? " TargetMode=\"External\"" : "") + "/>";
}

std::string hlink(const std::string& element, const std::string& id, const std::string& more = "") {
    return "<a:" + element + " xmlns:r=\"" + kOd.substr(0, kOd.size() - 1) + "\" r:id=\"" + id +
           "\"" + more + "/>";
}

std::string shape(int id, const std::string& name, const std::string& links) {
    return "<xdr:twoCellAnchor><xdr:from><xdr:col>1</xdr:col><xdr:colOff>0</xdr:colOff>"
           "<xdr:row>1</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:to><xdr:col>3</xdr:col>"
           "<xdr:colOff>0</xdr:colOff><xdr:row>4</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:to>"
           "<xdr:sp><xdr:nvSpPr><xdr:cNvPr id=\"" +
           std::to_string(id) + "\" name=\"" + name + "\">" + links +
           "</xdr:cNvPr><xdr:cNvSpPr/></xdr:nvSpPr><xdr:spPr><a:prstGeom prst=\"rect\">"
           "<a:avLst/></a:prstGeom></xdr:spPr></xdr:sp><xdr:clientData/></xdr:twoCellAnchor>";
}

// Alpha's drawing: a shape linked to Beta (hover: to Gamma), one linked to Alpha itself, one
// to a web page; a chart whose own shapes link to Gamma and to Alpha.
std::vector<PackagePart> workbookWithShapeLinksToOtherSheets() {
    auto parts = sampleWorkbookParts();
    insertBefore(
        parts, "[Content_Types].xml", "</Types>",
        R"(<Override PartName="/xl/drawings/drawing1.xml" ContentType="application/vnd.openxmlformats-officedocument.drawing+xml"/>)"
        R"(<Override PartName="/xl/charts/chart1.xml" ContentType="application/vnd.openxmlformats-officedocument.drawingml.chart+xml"/>)"
        R"(<Override PartName="/xl/drawings/drawing2.xml" ContentType="application/vnd.openxmlformats-officedocument.drawingml.chartshapes+xml"/>)");
    insertBefore(parts, "xl/worksheets/sheet1.xml", "</worksheet>", R"(<drawing r:id="rId1"/>)");
    setPart(parts, "xl/worksheets/_rels/sheet1.xml.rels",
            relationships(relationship("rId1", "drawing", "../drawings/drawing1.xml")));
    setPart(parts, "xl/drawings/drawing1.xml",
            kHead +
                "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/"
                "spreadsheetDrawing\" xmlns:a=\"" +
                kA + "\">" +
                shape(2, "ToBeta",
                      hlink("hlinkClick", "rId2", " tooltip=\"Go to Beta\"") +
                          hlink("hlinkHover", "rId5")) +
                shape(3, "ToSelf", hlink("hlinkClick", "rId3")) +
                shape(4, "ToWeb", hlink("hlinkClick", "rId4")) + "</xdr:wsDr>");
    setPart(parts, "xl/drawings/_rels/drawing1.xml.rels",
            relationships(relationship("rId2", "hyperlink", "#'Beta'!A1") +
                          relationship("rId3", "hyperlink", "#Alpha!B2") +
                          relationship("rId4", "hyperlink", "https://example.org/", true) +
                          relationship("rId5", "hyperlink", "#Gamma!C3") +
                          relationship("rId6", "chart", "../charts/chart1.xml")));
    setPart(parts, "xl/charts/chart1.xml",
            kHead +
                "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/"
                "chart\" xmlns:r=\"" +
                kOd.substr(0, kOd.size() - 1) +
                "\"><c:chart><c:plotArea><c:layout/></c:plotArea></c:chart>"
                "<c:userShapes r:id=\"rId1\"/></c:chartSpace>");
    setPart(parts, "xl/charts/_rels/chart1.xml.rels",
            relationships(relationship("rId1", "chartUserShapes", "../drawings/drawing2.xml")));
    setPart(parts, "xl/drawings/drawing2.xml",
            kHead +
                "<c:userShapes xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" "
                "xmlns:cdr=\"http://schemas.openxmlformats.org/drawingml/2006/chartDrawing\" "
                "xmlns:a=\"" +
                kA +
                "\"><cdr:relSizeAnchor><cdr:from><cdr:x>0.1</cdr:x><cdr:y>0.1</cdr:y></cdr:from>"
                "<cdr:to><cdr:x>0.3</cdr:x><cdr:y>0.2</cdr:y></cdr:to><cdr:sp><cdr:nvSpPr>"
                "<cdr:cNvPr id=\"2\" name=\"Note\">" +
                hlink("hlinkClick", "rId1") +
                "</cdr:cNvPr><cdr:cNvSpPr/></cdr:nvSpPr><cdr:spPr/><cdr:txBody>"
                "<a:bodyPr/><a:p><a:r><a:rPr>" +
                hlink("hlinkClick", "rId2") +
                "</a:rPr><a:t>see</a:t></a:r></a:p></cdr:txBody></cdr:sp>"
                "</cdr:relSizeAnchor></c:userShapes>");
    setPart(parts, "xl/drawings/_rels/drawing2.xml.rels",
            relationships(relationship("rId1", "hyperlink", "#'Gamma'!$A$1") +
                          relationship("rId2", "hyperlink", "#'Alpha'!A1")));
    return parts;
}

std::string table(const std::string& name, const std::string& ref, const std::string& columns) {
    return kHead + "<table xmlns=\"" + kMain + "\" id=\"" + std::to_string(name.size()) +
           "\" name=\"" + name + "\" displayName=\"" + name + "\" ref=\"" + ref +
           "\" totalsRowCount=\"1\"><tableColumns>" + columns + "</tableColumns></table>";
}

// Alpha's table: one calculated column each reaching Beta directly, through the name BetaCell
// and through Gamma's table; one within itself; a custom total over Beta.
std::vector<PackagePart> workbookWithTableFormulasReachingOut() {
    auto parts = sampleWorkbookParts();
    insertBefore(
        parts, "[Content_Types].xml", "</Types>",
        R"(<Override PartName="/xl/tables/table1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.table+xml"/>)"
        R"(<Override PartName="/xl/tables/table2.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.table+xml"/>)");
    insertBefore(parts, "xl/worksheets/sheet1.xml", "</worksheet>",
                 R"(<tableParts count="1"><tablePart r:id="rId1"/></tableParts>)");
    setPart(parts, "xl/worksheets/_rels/sheet1.xml.rels",
            relationships(relationship("rId1", "table", "../tables/table1.xml")));
    insertBefore(parts, "xl/worksheets/sheet3.xml", "</worksheet>",
                 R"(<tableParts count="1"><tablePart r:id="rId1"/></tableParts>)");
    setPart(parts, "xl/worksheets/_rels/sheet3.xml.rels",
            relationships(relationship("rId1", "table", "../tables/table2.xml")));
    setPart(
        parts, "xl/tables/table1.xml",
        table(
            "Orders", "A1:E3",
            R"(<tableColumn id="1" name="Qty" totalsRowFunction="custom">)"
            R"(<totalsRowFormula>SUM(Beta!A1:A9)</totalsRowFormula></tableColumn>)"
            R"(<tableColumn id="2" name="Direct"><calculatedColumnFormula>Beta!A1*2</calculatedColumnFormula></tableColumn>)"
            R"(<tableColumn id="3" name="Named"><calculatedColumnFormula>BetaCell+1</calculatedColumnFormula></tableColumn>)"
            R"(<tableColumn id="4" name="Looked"><calculatedColumnFormula>SUM(Rates[Rate])</calculatedColumnFormula></tableColumn>)"
            R"(<tableColumn id="5" name="Own" totalsRowFunction="custom"><calculatedColumnFormula>Orders[[#This Row],[Qty]]*AlphaCell</calculatedColumnFormula>)"
            R"(<totalsRowFormula>SUM(Orders[Own])</totalsRowFormula></tableColumn>)"));
    setPart(parts, "xl/tables/table2.xml",
            table("Rates", "A1:A3", R"(<tableColumn id="1" name="Rate"/>)"));
    return parts;
}

class SideLinksAndTables : public ::testing::Test {
  protected:
    std::map<std::string, std::string> split(const std::vector<PackagePart>& parts,
                                             std::size_t sheet, const std::string& name) {
        source = dir / "book.xlsx";
        writePackage(source, parts);
        const auto host = pv::host::createEngineHost();
        const auto book = host->open(source);
        output = dir / "out" / name;
        fs::create_directories(output.parent_path());
        book->saveSheetAs(sheet, output);
        return readPackage(output);
    }

    TempDir dir;
    fs::path source;
    fs::path output;
};

TEST_F(SideLinksAndTables, ShapeLinksToOtherSheetsGoWithTheirRelationships) {
    const auto parts = split(workbookWithShapeLinksToOtherSheets(), 0, "Alpha.xlsx");

    const auto& drawing = parts.at("xl/drawings/drawing1.xml");
    EXPECT_EQ(drawing.find("rId2"), std::string::npos) << drawing;
    EXPECT_EQ(drawing.find("rId5"), std::string::npos);
    EXPECT_EQ(drawing.find("Go to Beta"), std::string::npos);
    EXPECT_NE(drawing.find("name=\"ToBeta\""), std::string::npos);  // the shape itself stays
    EXPECT_NE(drawing.find("r:id=\"rId3\""), std::string::npos);
    EXPECT_NE(drawing.find("r:id=\"rId4\""), std::string::npos);
    const auto& rels = parts.at("xl/drawings/_rels/drawing1.xml.rels");
    EXPECT_EQ(rels.find("Beta"), std::string::npos) << rels;
    EXPECT_EQ(rels.find("Gamma"), std::string::npos);
    EXPECT_NE(rels.find("#Alpha!B2"), std::string::npos);
    EXPECT_NE(rels.find("https://example.org/"), std::string::npos);
    EXPECT_NE(rels.find("../charts/chart1.xml"), std::string::npos);

    const auto& shapes = parts.at("xl/drawings/drawing2.xml");
    EXPECT_EQ(shapes.find("rId1\""), std::string::npos) << shapes;
    EXPECT_NE(shapes.find("r:id=\"rId2\""), std::string::npos);
    const auto& shapeRels = parts.at("xl/drawings/_rels/drawing2.xml.rels");
    EXPECT_EQ(shapeRels.find("Gamma"), std::string::npos) << shapeRels;
    EXPECT_NE(shapeRels.find("#'Alpha'!A1"), std::string::npos);

    // No relationship left dangling, nothing another reader finds amiss.
    const auto check = runPackageCheck(source, {output});
    EXPECT_EQ(check.status, 0) << check.output;
}

TEST_F(SideLinksAndTables, TableFormulasReachingOtherSheetsGoOwnOnesStay) {
    const auto parts = split(workbookWithTableFormulasReachingOut(), 0, "Alpha.xlsx");
    const auto& orders = parts.at("xl/tables/table1.xml");
    EXPECT_EQ(orders.find("Beta!"), std::string::npos) << orders;
    EXPECT_EQ(orders.find("BetaCell"), std::string::npos);
    EXPECT_EQ(orders.find("Rates"), std::string::npos);
    EXPECT_NE(orders.find(R"(<tableColumn id="1" name="Qty"/>)"), std::string::npos);
    EXPECT_NE(orders.find("<calculatedColumnFormula>Orders[[#This Row],[Qty]]*AlphaCell"),
              std::string::npos);
    EXPECT_NE(orders.find(R"(name="Own" totalsRowFunction="custom")"), std::string::npos);
    EXPECT_NE(orders.find("<totalsRowFormula>SUM(Orders[Own])</totalsRowFormula>"),
              std::string::npos);

    // Gamma's table reaches nothing outside and is copied as it was.
    auto source = workbookWithTableFormulasReachingOut();
    const auto gamma = split(source, 2, "Gamma.xlsx");
    EXPECT_EQ(gamma.at("xl/tables/table2.xml"), partData(source, "xl/tables/table2.xml"));
}

}  // namespace
