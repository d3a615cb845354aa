// References to another sheet saved without the values they showed, as reporting tools write
// them: chart series with a <c:f> and no cache, cells with a <f> and no <v>. The output has no
// other sheet to read, so it must hold the values the source sheet's cells have.
#include <gtest/gtest.h>

#include "host/PackageBuilder.h"
#include "host/SpreadsheetHost.h"
#include "support/OutputCheck.h"
#include "support/TestEnv.h"

namespace {

using namespace pv::test;

const std::string kChart = "http://schemas.openxmlformats.org/drawingml/2006/chart";

std::string ref(const std::string& kind, const std::string& formula, const std::string& cache) {
    return "<c:" + kind + "><c:f>" + formula + "</c:f>" + cache + "</c:" + kind + ">";
}

// "Report" shows the cells of "Q1 data" (shared strings, numbers, a boolean, an error) in a bar
// chart and a scatter chart whose references have no cache, and in formulas without results.
std::vector<PackagePart> workbookWithUncachedReferences() {
    auto parts = sampleWorkbookParts();
    replaceInPart(parts, "xl/workbook.xml", R"(name="Alpha")", R"(name="Report")");
    replaceInPart(parts, "xl/workbook.xml", R"(name="Gamma")", R"(name="Q1 data")");
    replaceInPart(parts, "xl/sharedStrings.xml", "</sst>",
                  "<si><t>Units sold</t></si><si><t>North</t></si><si><t>South</t></si>"
                  "<si><t>East</t></si></sst>");
    setPart(parts, "xl/worksheets/sheet3.xml",
            kHead + "<worksheet xmlns=\"" + kMain + "\"><sheetData>" +
                R"(<row r="1"><c r="A1" t="s"><v>5</v></c><c r="B1" t="s"><v>5</v></c></row>)"
                R"(<row r="2"><c r="A2" t="s"><v>6</v></c><c r="B2"><v>12.5</v></c></row>)"
                R"(<row r="3"><c r="A3" t="s"><v>7</v></c><c r="B3"><v>7</v></c></row>)"
                R"(<row r="4"><c r="A4" t="s"><v>8</v></c><c r="B4" t="b"><v>1</v></c></row>)"
                R"(<row r="5"><c r="B5" t="e"><v>#N/A</v></c></row>)"
                "</sheetData></worksheet>");
    setPart(
        parts, "xl/worksheets/sheet1.xml",
        kHead + "<worksheet xmlns=\"" + kMain + "\" xmlns:r=\"" + kRel + "\"><sheetData>" +
            R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="C1"><f>'Q1 data'!B2</f></c></row>)"
            R"(<row r="2"><c r="C2" t="str"><f>+'q1 DATA'!$A$3</f></c></row>)"
            R"(<row r="3"><c r="C3"><f>'Q1 data'!B4</f></c><c r="D3"><f>'Q1 data'!B5</f></c></row>)"
            R"(<row r="4"><c r="C4"><f>'Q1 data'!B9</f></c><c r="D4"><f>'Q1 data'!B2*2</f></c></row>)"
            R"(<row r="5"><c r="C5"><f>'Q1 data'!B3</f><v>99</v></c></row>)"
            R"(</sheetData><drawing r:id="rId1"/></worksheet>)");
    setPart(parts, "xl/worksheets/_rels/sheet1.xml.rels",
            kHead + "<Relationships xmlns=\"" + kPkg + "\"><Relationship Id=\"rId1\" Type=\"" +
                kRel + "/drawing\" Target=\"../drawings/drawing1.xml\"/></Relationships>");
    std::string drawing =
        kHead +
        R"(<xdr:wsDr xmlns:xdr="http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing" xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main">)";
    std::string drawingRels = kHead + "<Relationships xmlns=\"" + kPkg + "\">";
    for (int i = 1; i <= 2; ++i) {
        const std::string n = std::to_string(i);
        const std::string row = std::to_string(6 + 16 * (i - 1));
        drawing +=
            R"(<xdr:twoCellAnchor><xdr:from><xdr:col>0</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>)" +
            row +
            R"(</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:to><xdr:col>8</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>)" +
            std::to_string(6 + 16 * i - 2) +
            R"(</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:to><xdr:graphicFrame macro=""><xdr:nvGraphicFramePr><xdr:cNvPr id=")" +
            std::to_string(i + 1) + R"(" name="Chart )" + n +
            R"("/><xdr:cNvGraphicFramePr/></xdr:nvGraphicFramePr><xdr:xfrm><a:off x="0" y="0"/><a:ext cx="0" cy="0"/></xdr:xfrm><a:graphic><a:graphicData uri=")" +
            kChart + R"("><c:chart xmlns:c=")" + kChart + R"(" xmlns:r=")" + kRel +
            R"(" r:id="rId)" + n +
            R"("/></a:graphicData></a:graphic></xdr:graphicFrame><xdr:clientData/></xdr:twoCellAnchor>)";
        drawingRels += "<Relationship Id=\"rId" + n + "\" Type=\"" + kRel +
                       "/chart\" Target=\"../charts/chart" + n + ".xml\"/>";
    }
    setPart(parts, "xl/drawings/drawing1.xml", drawing + "</xdr:wsDr>");
    setPart(parts, "xl/drawings/_rels/drawing1.xml.rels", drawingRels + "</Relationships>");

    const std::string axes = R"(<c:axId val="1"/><c:axId val="2"/>)";
    const std::string axisPair =
        R"(<c:valAx><c:axId val="2"/><c:scaling><c:orientation val="minMax"/></c:scaling><c:delete val="0"/><c:axPos val="l"/><c:crossAx val="1"/></c:valAx>)";
    const auto chartSpace = [&](const std::string& plot) {
        return kHead + "<c:chartSpace xmlns:c=\"" + kChart +
               R"(" xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main"><c:chart>)" +
               plot +
               R"(<c:legend><c:legendPos val="r"/></c:legend><c:plotVisOnly val="1"/></c:chart></c:chartSpace>)";
    };
    // Bar: the series name and categories read text, the values whole column B (a number
    // cache with only a format code, as some writers leave it).
    setPart(
        parts, "xl/charts/chart1.xml",
        chartSpace(
            R"(<c:plotArea><c:barChart><c:barDir val="col"/><c:grouping val="clustered"/><c:ser><c:idx val="0"/><c:order val="0"/><c:tx>)" +
            ref("strRef", "'Q1 data'!$B$1", "") +
            R"(</c:tx><c:spPr><a:solidFill><a:srgbClr val="4472C4"/></a:solidFill></c:spPr><c:cat>)" +
            ref("strRef", "'Q1 data'!$A$2:$A$4", "") + "</c:cat><c:val>" +
            ref("numRef", "'Q1 data'!$B:$B",
                "<c:numCache><c:formatCode>0.0</c:formatCode></c:numCache>") +
            "</c:val></c:ser>" + axes +
            R"(</c:barChart><c:catAx><c:axId val="1"/><c:scaling><c:orientation val="minMax"/></c:scaling><c:delete val="0"/><c:axPos val="b"/><c:crossAx val="2"/></c:catAx>)" +
            axisPair + "</c:plotArea>"));
    // Scatter: x and y numbers.
    setPart(
        parts, "xl/charts/chart2.xml",
        chartSpace(
            R"(<c:plotArea><c:scatterChart><c:scatterStyle val="lineMarker"/><c:ser><c:idx val="0"/><c:order val="0"/><c:tx>)" +
            ref("strRef", "'Q1 data'!$A$1", "") + "</c:tx><c:xVal>" +
            ref("numRef", "'Q1 data'!$B$2:$B$3", "") + "</c:xVal><c:yVal>" +
            ref("numRef", "'Q1 data'!$B$3:$B$4", "") + "</c:yVal></c:ser>" + axes +
            R"(</c:scatterChart><c:valAx><c:axId val="1"/><c:scaling><c:orientation val="minMax"/></c:scaling><c:delete val="0"/><c:axPos val="b"/><c:crossAx val="2"/></c:valAx>)" +
            axisPair + "</c:plotArea>"));
    replaceInPart(
        parts, "[Content_Types].xml", "</Types>",
        R"(<Override PartName="/xl/drawings/drawing1.xml" ContentType="application/vnd.openxmlformats-officedocument.drawing+xml"/>)"
        R"(<Override PartName="/xl/charts/chart1.xml" ContentType="application/vnd.openxmlformats-officedocument.drawingml.chart+xml"/>)"
        R"(<Override PartName="/xl/charts/chart2.xml" ContentType="application/vnd.openxmlformats-officedocument.drawingml.chart+xml"/>)"
        "</Types>");
    return parts;
}

class UncachedReferencesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        source = dir / "report.xlsx";
        writePackage(source, workbookWithUncachedReferences());
        host = pv::host::createEngineHost();
        book = host->open(source);
        output = dir / "Report.xlsx";
        book->saveSheetAs(0, output);
        parts = readPackage(output);
    }

    TempDir dir;
    fs::path source;
    fs::path output;
    std::unique_ptr<pv::host::SpreadsheetHost> host;
    std::unique_ptr<pv::host::SourceWorkbook> book;
    std::map<std::string, std::string> parts;
};

TEST_F(UncachedReferencesTest, ChartSeriesShowTheOtherSheetsCells) {
    const auto& bar = parts.at("xl/charts/chart1.xml");
    EXPECT_EQ(bar.find("<c:f>"), std::string::npos);
    EXPECT_NE(bar.find("<c:tx><c:v>Units sold</c:v></c:tx>"), std::string::npos);
    EXPECT_NE(bar.find("<c:cat><c:strLit><c:ptCount val=\"3\"/>"
                       "<c:pt idx=\"0\"><c:v>North</c:v></c:pt>"
                       "<c:pt idx=\"1\"><c:v>South</c:v></c:pt>"
                       "<c:pt idx=\"2\"><c:v>East</c:v></c:pt></c:strLit></c:cat>"),
              std::string::npos)
        << bar;
    // The whole column ends with its last value; the text, boolean and error are no numbers.
    EXPECT_NE(bar.find("<c:val><c:numLit><c:formatCode>0.0</c:formatCode><c:ptCount val=\"5\"/>"
                       "<c:pt idx=\"1\"><c:v>12.5</c:v></c:pt>"
                       "<c:pt idx=\"2\"><c:v>7</c:v></c:pt></c:numLit></c:val>"),
              std::string::npos)
        << bar;
    const auto& scatter = parts.at("xl/charts/chart2.xml");
    EXPECT_NE(scatter.find("<c:xVal><c:numLit><c:ptCount val=\"2\"/>"
                           "<c:pt idx=\"0\"><c:v>12.5</c:v></c:pt>"
                           "<c:pt idx=\"1\"><c:v>7</c:v></c:pt></c:numLit></c:xVal>"),
              std::string::npos)
        << scatter;
    EXPECT_NE(scatter.find("<c:yVal><c:numLit><c:ptCount val=\"2\"/>"
                           "<c:pt idx=\"0\"><c:v>7</c:v></c:pt></c:numLit></c:yVal>"),
              std::string::npos)
        << scatter;
    const auto check = runPackageCheck(source, {output});
    EXPECT_EQ(check.status, 0) << check.output;
}

TEST_F(UncachedReferencesTest, FormulasReadingOneCellGetItsValue) {
    const auto& sheet = parts.at("xl/worksheets/sheet1.xml");
    EXPECT_EQ(sheet.find("<f>"), std::string::npos);
    EXPECT_NE(sheet.find(R"(<c r="C1" t="n"><v>12.5</v></c>)"), std::string::npos) << sheet;
    // Shared strings of the other sheet come as the cell's own text.
    EXPECT_NE(
        sheet.find(R"(<c r="C2" t="inlineStr"><is><t xml:space="preserve">South</t></is></c>)"),
        std::string::npos)
        << sheet;
    EXPECT_NE(sheet.find(R"(<c r="C3" t="b"><v>1</v></c>)"), std::string::npos) << sheet;
    EXPECT_NE(sheet.find(R"(<c r="D3" t="e"><v>#N/A</v></c>)"), std::string::npos) << sheet;
    // An empty cell, and a formula that computes, stay empty; a cached value wins.
    EXPECT_NE(sheet.find(R"(<c r="C4"/>)"), std::string::npos) << sheet;
    EXPECT_NE(sheet.find(R"(<c r="D4"/>)"), std::string::npos) << sheet;
    EXPECT_NE(sheet.find(R"(<c r="C5"><v>99</v></c>)"), std::string::npos) << sheet;
    EXPECT_EQ(parts.at("xl/sharedStrings.xml").find("South"), std::string::npos);
}

}  // namespace

namespace {

// The other sheet is read only for the values: when it cannot be read, or the reference names
// no sheet of the workbook, the output is written as before, with nothing in their place.
TEST(UncachedReferencesFallbackTest, AnUnreadableOrUnknownSheetLeavesTheValuesOut) {
    auto parts = workbookWithUncachedReferences();
    setPart(parts, "xl/worksheets/sheet3.xml", "<worksheet><sheetData><row r=\"1\"><c");
    replaceInPart(parts, "xl/charts/chart2.xml", "'Q1 data'!$B$2:$B$3", "Nowhere!$B$2:$B$3");
    TempDir dir;
    writePackage(dir / "report.xlsx", parts);
    auto host = pv::host::createEngineHost();
    auto book = host->open(dir / "report.xlsx");
    book->saveSheetAs(0, dir / "Report.xlsx");
    const auto out = readPackage(dir / "Report.xlsx");
    EXPECT_NE(out.at("xl/worksheets/sheet1.xml").find(R"(<c r="C1"/>)"), std::string::npos);
    EXPECT_NE(out.at("xl/charts/chart1.xml").find("<c:tx><c:v></c:v></c:tx>"), std::string::npos);
    EXPECT_NE(out.at("xl/charts/chart2.xml").find("<c:xVal><c:numLit><c:ptCount val=\"0\"/>"),
              std::string::npos);
}

}  // namespace
