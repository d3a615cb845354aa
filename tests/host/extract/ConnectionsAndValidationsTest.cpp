// What the kept sheet takes from other sheets' workbook-level data: only the data connections
// its own query tables use, and validation lists and rule constants made of the values another
// sheet showed. Alpha draws on Gamma for both; Gamma has a query table of its own.
#include <gtest/gtest.h>

#include <fstream>

#include "host/PackageBuilder.h"
#include "host/SpreadsheetHost.h"
#include "support/TestEnv.h"

namespace {

using namespace pv::test;

const std::string kOd = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
const std::string kSml = "application/vnd.openxmlformats-officedocument.spreadsheetml.";

std::string queryTableRels(const std::string& target) {
    return kHead + "<Relationships xmlns=\"" + kPkg + "\"><Relationship Id=\"rId1\" Type=\"" + kOd +
           "queryTable\" Target=\"" + target + "\"/></Relationships>";
}

std::string queryTable(const std::string& connection) {
    return kHead + "<queryTable xmlns=\"" + kMain + "\" name=\"Query\" connectionId=\"" +
           connection +
           "\" autoFormatId=\"0\" applyNumberFormats=\"0\" applyBorderFormats=\"0\" "
           "applyFontFormats=\"0\" applyPatternFormats=\"0\" applyAlignmentFormats=\"0\" "
           "applyWidthHeightFormats=\"0\"/>";
}

std::string inlineCell(const std::string& ref, const std::string& text) {
    return "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t>" + text + "</t></is></c>";
}

// Alpha: a query table on connection 1 (one parameter bound to Gamma, one to Alpha), list
// validations drawn from Gamma directly, through a name and from too long a column, and a
// validation and a rule bounded by a name for one cell of Gamma. Gamma: connection 2's query.
std::vector<PackagePart> workbookDrawingOnGamma() {
    auto parts = sampleWorkbookParts();
    replaceInPart(parts, "[Content_Types].xml", "</Types>",
                  "<Override PartName=\"/xl/connections.xml\" ContentType=\"" + kSml +
                      "connections+xml\"/><Override PartName=\"/xl/queryTables/queryTable1.xml\" "
                      "ContentType=\"" +
                      kSml +
                      "queryTable+xml\"/><Override PartName=\"/xl/queryTables/queryTable2.xml\" "
                      "ContentType=\"" +
                      kSml + "queryTable+xml\"/></Types>");
    replaceInPart(parts, "xl/_rels/workbook.xml.rels", "</Relationships>",
                  "<Relationship Id=\"rId9\" Type=\"" + kOd +
                      "connections\" Target=\"connections.xml\"/></Relationships>");
    replaceInPart(parts, "xl/workbook.xml", "</definedNames>",
                  R"(<definedName name="GammaList">Gamma!$A$1:$A$3</definedName>)"
                  R"(<definedName name="GammaLimit">Gamma!$B$5</definedName></definedNames>)");
    setPart(
        parts, "xl/connections.xml",
        kHead + "<connections xmlns=\"" + kMain + "\">" +
            R"(<connection id="1" name="AlphaQuery" type="1" refreshedVersion="6"><dbPr connection="DSN=a" command="SELECT AlphaCmd WHERE x=? AND y=?"/>)"
            R"(<parameters count="2"><parameter name="Threshold" parameterType="cell" cell="'Gamma'!$B$5"/>)"
            R"(<parameter name="FromAlpha" parameterType="cell" cell="Alpha!$A$2"/></parameters></connection>)"
            R"(<connection id="2" name="GammaQuery" type="1" refreshedVersion="6"><dbPr connection="DSN=g" command="SELECT GammaSecret"/></connection>)"
            "</connections>");
    setPart(parts, "xl/worksheets/_rels/sheet1.xml.rels",
            queryTableRels("../queryTables/queryTable1.xml"));
    setPart(parts, "xl/queryTables/queryTable1.xml", queryTable("1"));
    setPart(parts, "xl/worksheets/_rels/sheet3.xml.rels",
            queryTableRels("../queryTables/queryTable2.xml"));
    setPart(parts, "xl/queryTables/queryTable2.xml", queryTable("2"));

    // Gamma: the choices Red, Green & "Lime", Blue in A1:A3, the limit 42 in B5, and a column
    // of choices too long for one list in D1:D20.
    const std::vector<std::string> choices = {"Red", "Green &amp; \"Lime\"", "Blue"};
    std::string rows;
    for (int row = 1; row <= 20; ++row) {
        const std::string r = std::to_string(row);
        rows += "<row r=\"" + r + "\">";
        if (row <= 3) {
            rows += inlineCell("A" + r, choices[static_cast<std::size_t>(row - 1)]);
        }
        if (row == 5) {
            rows += R"(<c r="B5"><v>42</v></c>)";
        }
        rows += inlineCell("D" + r, "a rather long choice " + r) + "</row>";
    }
    std::string& gamma = partData(parts, "xl/worksheets/sheet3.xml");
    gamma = gamma.substr(0, gamma.find("<sheetData>")) + "<sheetData>" + rows +
            "</sheetData></worksheet>";
    replaceInPart(
        parts, "xl/worksheets/sheet1.xml", "</sheetData>",
        "</sheetData>"
        R"(<conditionalFormatting sqref="A2"><cfRule type="cellIs" priority="1" operator="greaterThan"><formula>GammaLimit</formula></cfRule></conditionalFormatting>)"
        R"(<dataValidations count="4">)"
        R"(<dataValidation type="list" allowBlank="1" sqref="C1"><formula1>Gamma!$A$1:$A$5</formula1></dataValidation>)"
        R"(<dataValidation type="list" sqref="C2"><formula1>GammaList</formula1></dataValidation>)"
        R"(<dataValidation type="whole" operator="lessThan" sqref="C3"><formula1>GammaLimit*2</formula1></dataValidation>)"
        R"(<dataValidation type="list" sqref="C4"><formula1>Gamma!$D$1:$D$20</formula1></dataValidation>)"
        "</dataValidations>");
    return parts;
}

class ConnectionsAndValidationsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        source = dir / "book.xlsx";
        writePackage(source, workbookDrawingOnGamma());
        host = pv::host::createEngineHost();
        book = host->open(source);
    }

    fs::path split(std::size_t sheet, const std::string& name) {
        const auto output = dir / name;
        book->saveSheetAs(sheet, output);
        return output;
    }

    TempDir dir;
    fs::path source;
    std::unique_ptr<pv::host::SpreadsheetHost> host;
    std::unique_ptr<pv::host::SourceWorkbook> book;
};

TEST_F(ConnectionsAndValidationsTest, OnlyTheSheetsOwnConnectionsStayUnboundFromOtherSheets) {
    const auto alpha = readPackage(split(0, "Alpha.xlsx")).at("xl/connections.xml");
    EXPECT_NE(alpha.find("AlphaQuery"), std::string::npos);
    EXPECT_EQ(alpha.find("GammaQuery"), std::string::npos);
    EXPECT_EQ(alpha.find("GammaSecret"), std::string::npos);
    EXPECT_EQ(alpha.find("Gamma"), std::string::npos);
    EXPECT_NE(alpha.find(R"(<parameter name="Threshold" parameterType="prompt"/>)"),
              std::string::npos);
    EXPECT_NE(alpha.find(R"(parameterType="cell" cell="Alpha!$A$2")"), std::string::npos);

    const auto gamma = readPackage(split(2, "Gamma.xlsx")).at("xl/connections.xml");
    EXPECT_NE(gamma.find("GammaQuery"), std::string::npos);
    EXPECT_EQ(gamma.find("AlphaQuery"), std::string::npos);
    EXPECT_EQ(gamma.find("AlphaCmd"), std::string::npos);
}

// As a reader of the output sees them: openpyxl, not our own parser.
TEST_F(ConnectionsAndValidationsTest,
       ListsFromAnotherSheetOfferTheSameChoicesAndCellNamesTheirValue) {
    const auto output = split(0, "Alpha.xlsx");
    const std::string script =
        "import openpyxl,sys\n"
        "ws=openpyxl.load_workbook(sys.argv[1])['Alpha']\n"
        "for v in ws.data_validations.dataValidation:\n"
        "  print('dv', v.sqref, v.type, v.formula1)\n"
        "for cf in ws.conditional_formatting:\n"
        "  for r in cf.rules: print('cf', cf.sqref, r.formula)\n";
    const auto scriptFile = dir / "read.py";
    std::ofstream(scriptFile) << script;
    std::string out;
    ASSERT_EQ(runCommand(python() + " " + shellQuote(scriptFile.string()) + " " +
                             shellQuote(output.string()),
                         &out),
              0)
        << out;
    // Blank cells of the range offer nothing; quotes in a value are doubled.
    EXPECT_NE(out.find("dv C1 list \"Red,Green & \"\"Lime\"\",Blue\""), std::string::npos) << out;
    EXPECT_NE(out.find("dv C2 list \"Red,Green & \"\"Lime\"\",Blue\""), std::string::npos) << out;
    EXPECT_NE(out.find("dv C3 whole 42*2"), std::string::npos) << out;
    EXPECT_EQ(out.find("C4"), std::string::npos) << out;  // beyond the list limit: dropped
    EXPECT_NE(out.find("cf A2 ['42']"), std::string::npos) << out;
    EXPECT_EQ(out.find("Gamma"), std::string::npos) << out;
}

}  // namespace
