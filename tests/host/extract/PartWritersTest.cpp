// The parts a one-sheet workbook gets written anew, each from a small source of its own: the
// exact bytes, so that a sheet of another workbook left listed, a name not pointed at the kept
// sheet or a used string blanked shows here and not only as a workbook a reader refuses.
#include <gtest/gtest.h>

#include "host/PackageBuilder.h"
#include "host/cells/SharedStrings.h"
#include "host/extract/PartWriters.h"
#include "host/package/ContentTypes.h"
#include "host/package/SheetInfo.h"
#include "host/zip/ZipReader.h"
#include "support/TestEnv.h"

namespace {

using namespace pv::host;
using namespace pv::test;

const std::string kDeclaration =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
const std::string kRels = "http://schemas.openxmlformats.org/package/2006/relationships";
const std::string kR = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const std::string kOfficeRels = kR + "/";

class PartWriters : public testing::Test {
  protected:
    // A package holding only `parts`, opened for reading.
    ZipReader& package(std::vector<PackagePart> parts) {
        writePackage(dir / "source.xlsx", parts);
        zip = std::make_unique<ZipReader>(dir / "source.xlsx");
        return *zip;
    }

    TempDir dir;
    std::unique_ptr<ZipReader> zip;
};

TEST_F(PartWriters, ContentTypesListTheKeptPartsAndTheOutputsWorkbookType) {
    const std::string types =
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Default Extension=\"png\" ContentType=\"image/png\"/>"
        "<Override PartName=\"/xl/workbook.xml\" ContentType=\"macro-workbook\"/>"
        "<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"worksheet\"/>"
        "<Override PartName=\"/xl/worksheets/sheet2.xml\" ContentType=\"worksheet\"/>"
        "<Override PartName=\"/xl/styles.xml\" ContentType=\"styles\"/></Types>";
    const auto read = ContentTypes::read(package({{"[Content_Types].xml", types}}));

    EXPECT_EQ(writeContentTypes(read,
                                {"xl/workbook.xml", "xl/styles.xml", "xl/media/image1.png",
                                 "xl/worksheets/sheet2.xml"},
                                "xl/workbook.xml", "workbook"),
              kDeclaration +
                  "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                  "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                  "<Default Extension=\"png\" ContentType=\"image/png\"/>"
                  "<Default Extension=\"rels\" "
                  "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                  "<Override PartName=\"/xl/workbook.xml\" ContentType=\"workbook\"/>"
                  "<Override PartName=\"/xl/styles.xml\" ContentType=\"styles\"/>"
                  "<Override PartName=\"/xl/worksheets/sheet2.xml\" ContentType=\"worksheet\"/>"
                  "</Types>");
}

TEST_F(PartWriters, WorkbookKeepsTheSheetVisibleAndActiveWithItsNames) {
    const std::string source =
        "<workbook xmlns=\"" + kMain + "\" xmlns:r=\"" + kR +
        "\"><bookViews><workbookView activeTab=\"2\" firstSheet=\"1\" windowWidth=\"900\"/>"
        "</bookViews><sheets>"
        "<sheet name=\"Alpha\" sheetId=\"1\" r:id=\"rId1\"/>"
        "<sheet name=\"Beta\" sheetId=\"4\" state=\"hidden\" r:id=\"rId2\"/>"
        "<sheet name=\"Gamma\" sheetId=\"3\" r:id=\"rId3\"/></sheets>"
        "<externalReferences><externalReference r:id=\"rId9\"/></externalReferences>"
        "<definedNames>"
        "<definedName name=\"AlphaCell\">Alpha!$A$1</definedName>"
        "<definedName name=\"Area\" localSheetId=\"1\">Beta!$A$1:$B$2</definedName>"
        "<definedName name=\"Rate\">0.5</definedName></definedNames>"
        "<pivotCaches><pivotCache cacheId=\"1\" r:id=\"rId7\"/></pivotCaches>"
        "<extLst><ext uri=\"{876F7934-8845-4945-9796-88D515C7AA90}\"><x/></ext>"
        "<ext uri=\"{keep}\"><y/></ext></extLst></workbook>";
    const std::string kept = "<workbook xmlns=\"" + kMain + "\" xmlns:r=\"" + kR +
                             "\"><bookViews><workbookView windowWidth=\"900\"/></bookViews><sheets>"
                             "<sheet name=\"Beta\" sheetId=\"4\" r:id=\"rId2\"/></sheets>";
    const std::string names =
        "<definedNames>"
        "<definedName name=\"Area\" localSheetId=\"0\">Beta!$A$1:$B$2</definedName>"
        "<definedName name=\"Rate\">0.5</definedName></definedNames>";
    const std::string end = "<extLst><ext uri=\"{keep}\"><y/></ext></extLst></workbook>";

    EXPECT_EQ(writeWorkbook(source, "workbook.xml", "rId2", {false, true, true}, false),
              kDeclaration + kept + names + end);
    EXPECT_EQ(writeWorkbook(source, "workbook.xml", "rId2", {false, true, true}, true),
              kDeclaration + kept +
                  "<externalReferences><externalReference r:id=\"rId9\"/></externalReferences>" +
                  names + end);
}

// Relationships of the workbook, of the sheet and of the package, each cut its own way.
const std::string kRelationships =
    "<Relationships xmlns=\"" + kRels + "\">" + "<Relationship Id=\"rId1\" Type=\"" + kOfficeRels +
    "worksheet\" Target=\"a.xml\"/>" + "<Relationship Id=\"rId2\" Type=\"" + kOfficeRels +
    "styles\" Target=\"b.xml\"/>" + "<Relationship Id=\"rId3\" Type=\"" + kOfficeRels +
    "officeDocument\" Target=\"c.xml\"/>" + "<Relationship Id=\"rId4\" Type=\"" + kOfficeRels +
    "extended-properties\" Target=\"d.xml\"/>" + "</Relationships>";

std::string relationships(std::initializer_list<int> kept) {
    std::string out = kDeclaration + "<Relationships xmlns=\"" + kRels + "\">";
    for (int id : kept) {
        const std::string tag = "<Relationship Id=\"rId" + std::to_string(id) + "\"";
        const auto start = kRelationships.find(tag);
        out += kRelationships.substr(start, kRelationships.find("/>", start) + 2 - start);
    }
    return out + "</Relationships>";
}

TEST_F(PartWriters, WorkbookRelationshipsKeepOnlyTheKeptIds) {
    EXPECT_EQ(writeRelationshipsKeeping(kRelationships, "rels", {"rId2", "rId4", "rId8"}),
              relationships({2, 4}));
}

TEST_F(PartWriters, PartRelationshipsLoseOnlyTheDroppedIds) {
    EXPECT_EQ(writeRelationshipsWithout(kRelationships, "rels", {"rId1", "rId3"}),
              relationships({2, 4}));
}

TEST_F(PartWriters, PackageRelationshipsKeepTheWorkbookAndTheProperties) {
    EXPECT_EQ(writePackageRelationships(kRelationships, "rels"), relationships({3, 4}));
}

TEST_F(PartWriters, RelationshipsTakeTheTargetsGivenForTheirIdsWhicheverWriterFilters) {
    const RelationshipTargets targets = {{"rId2", "../B.xml"}, {"rId3", "C.xml"}};
    auto retargeted = [](std::string xml) {
        for (const auto& [from, to] :
             {std::pair{"\"b.xml", "\"../B.xml"}, {"\"c.xml", "\"C.xml"}}) {
            if (const auto at = xml.find(from); at != std::string::npos) {
                xml.replace(at, std::string_view(from).size(), to);
            }
        }
        return xml;
    };
    EXPECT_EQ(writeRelationshipsKeeping(kRelationships, "rels", {"rId2", "rId4"}, targets),
              retargeted(relationships({2, 4})));
    EXPECT_EQ(writeRelationshipsWithout(kRelationships, "rels", {"rId1"}, targets),
              retargeted(relationships({2, 3, 4})));
    EXPECT_EQ(writePackageRelationships(kRelationships, "rels", targets),
              retargeted(relationships({3, 4})));
}

TEST_F(PartWriters, SharedStringsBlankOnlyTheUnusedOnes) {
    SharedStrings strings;
    strings.load(package({{"sst.xml", "<sst xmlns=\"" + kMain +
                                          "\" count=\"9\" uniqueCount=\"4\"><si><t>zero</t></si>"
                                          "<si><r><t>one</t></r></si><si><t>two</t></si>"
                                          "<si><t>three</t></si></sst>"}}),
                 "sst.xml");

    EXPECT_EQ(writeSharedStrings(strings, {true, false, true}),
              kDeclaration + "<sst xmlns=\"" + kMain +
                  "\" count=\"3\" uniqueCount=\"3\"><si><t>zero</t></si><si><t/></si>"
                  "<si><t>two</t></si></sst>");

    SharedStrings prefixed;
    prefixed.load(package({{"sst.xml", "<x:sst xmlns:x=\"" + kMain +
                                           "\"><x:si><x:t>zero</x:t></x:si>"
                                           "<x:si><x:t>one</x:t></x:si></x:sst>"}}),
                  "sst.xml");
    EXPECT_EQ(writeSharedStrings(prefixed, {false, true}),
              kDeclaration + "<x:sst xmlns:x=\"" + kMain +
                  "\" count=\"2\" uniqueCount=\"2\"><x:si><x:t/></x:si>"
                  "<x:si><x:t>one</x:t></x:si></x:sst>");
}

TEST_F(PartWriters, AppPropertiesListTheKeptSheetAlone) {
    const std::string vt = "http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes";
    const std::string source =
        "<Properties xmlns=\"p\" xmlns:v=\"" + vt +
        "\"><Application>Tabulo</Application><HeadingPairs><v:vector size=\"2\" "
        "baseType=\"variant\"><v:variant><v:lpstr>Worksheets</v:lpstr></v:variant><v:variant>"
        "<v:i4>3</v:i4></v:variant></v:vector></HeadingPairs><TitlesOfParts><v:vector size=\"3\" "
        "baseType=\"lpstr\"><v:lpstr>Alpha</v:lpstr><v:lpstr>Beta</v:lpstr><v:lpstr>Gamma"
        "</v:lpstr></v:vector></TitlesOfParts></Properties>";
    EXPECT_EQ(writeAppProperties(source, "app.xml", {"Beta", SheetKind::Worksheet}),
              kDeclaration + "<Properties xmlns=\"p\" xmlns:v=\"" + vt +
                  "\"><Application>Tabulo</Application><HeadingPairs><v:vector size=\"2\" "
                  "baseType=\"variant\"><v:variant><v:lpstr>Worksheets</v:lpstr></v:variant>"
                  "<v:variant><v:i4>1</v:i4></v:variant></v:vector></HeadingPairs>"
                  "<TitlesOfParts><v:vector size=\"1\" baseType=\"lpstr\"><v:lpstr>Beta"
                  "</v:lpstr></v:vector></TitlesOfParts></Properties>");

    // Without the namespace of its own, and for a chart sheet.
    EXPECT_EQ(
        writeAppProperties("<Properties xmlns=\"p\"><HeadingPairs/><TitlesOfParts/></Properties>",
                           "app.xml", {"Chart 1", SheetKind::Chartsheet}),
        kDeclaration + "<Properties xmlns=\"p\" xmlns:vt=\"" + vt +
            "\"><HeadingPairs><vt:vector size=\"2\" baseType=\"variant\"><vt:variant>"
            "<vt:lpstr>Charts</vt:lpstr></vt:variant><vt:variant><vt:i4>1</vt:i4>"
            "</vt:variant></vt:vector></HeadingPairs>"
            "<TitlesOfParts><vt:vector size=\"1\" baseType=\"lpstr\">"
            "<vt:lpstr>Chart 1</vt:lpstr></vt:vector></TitlesOfParts></Properties>");
}

}  // namespace
