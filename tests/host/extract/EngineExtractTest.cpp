// One sheet out of a three-sheet workbook: what it keeps, and that nothing of the other sheets
// (strings, names, titles, formulas pointing at them) comes along. Judged by our own reading of
// the output and by the shared checkers.
#include <gtest/gtest.h>

#include <fstream>

#include "core/Error.h"
#include "host/PackageBuilder.h"
#include "host/SpreadsheetHost.h"
#include "support/OutputCheck.h"
#include "support/TestEnv.h"

namespace {

using namespace pv::test;

class EngineExtractTest : public ::testing::Test {
  protected:
    void SetUp() override {
        source = dir / "book.xlsx";
        writePackage(source, sampleWorkbookParts());
        host = pv::host::createEngineHost();
        book = host->open(source);
    }

    std::string allText(const fs::path& file) {
        std::string all;
        for (const auto& [name, data] : readPackage(file)) {
            all += name + "\n" + data + "\n";
        }
        return all;
    }

    TempDir dir;
    fs::path source;
    std::unique_ptr<pv::host::SpreadsheetHost> host;
    std::unique_ptr<pv::host::SourceWorkbook> book;
};

TEST_F(EngineExtractTest, ReadsSheetsRangesAndCellTexts) {
    ASSERT_EQ(book->sheets().size(), 3u);
    EXPECT_EQ(book->sheets()[1].name, "Beta");
    EXPECT_EQ(book->sheets()[1].visibility, pv::host::SheetVisibility::Hidden);
    EXPECT_EQ(book->usedRange(2).lastRow, 3);
    EXPECT_EQ(book->usedRange(2).lastColumn, 4);
    EXPECT_EQ(book->cellText(0, 1, 1), "MarkerAlpha");
    EXPECT_EQ(book->cellText(0, 1, 2), "shared\rtext");
    EXPECT_EQ(book->cellText(0, 2, 2), "True");
    EXPECT_EQ(book->cellText(2, 1, 1), "MarkerGamma");  // phonetic run left out
    EXPECT_EQ(book->cellText(2, 1, 2), "BetaOnlyResult");
    EXPECT_EQ(book->cellText(2, 1, 3), "7");
    EXPECT_EQ(book->cellText(2, 5, 5), "");
    EXPECT_EQ(book->cellText(0, 1, 1), "MarkerAlpha");  // back to a sheet read before
}

TEST_F(EngineExtractTest, KeepsTheSheetAndLeaksNothingOfTheOthers) {
    const auto before = fs::last_write_time(source);
    const auto output = dir / "Gamma.xlsx";
    book->saveSheetAs(2, output);
    EXPECT_EQ(fs::last_write_time(source), before);

    const std::string all = allText(output);
    for (const char* foreign : {"MarkerAlpha", "MarkerBeta", "Alpha!", "Beta!", "Alpha:",
                                "AlphaCell", "BetaCell", "calcChain", "<vt:lpstr>Alpha"}) {
        EXPECT_EQ(all.find(foreign), std::string::npos) << foreign;
    }
    const auto parts = readPackage(output);
    const std::string& workbook = parts.at("xl/workbook.xml");
    EXPECT_NE(workbook.find(R"(localSheetId="0">Gamma!$A$1:$C$3)"), std::string::npos);
    EXPECT_EQ(workbook.find("activeTab"), std::string::npos);
    const std::string& sheet = parts.at("xl/worksheets/sheet3.xml");
    EXPECT_NE(sheet.find("<f t=\"shared\" ref=\"C2:C3\" si=\"1\">A2*2</f>"), std::string::npos);
    EXPECT_NE(
        sheet.find("<c r=\"B1\" t=\"inlineStr\"><is><t xml:space=\"preserve\">BetaOnlyResult"),
        std::string::npos);
    EXPECT_NE(sheet.find("<c r=\"B3\"><v>2</v></c>"), std::string::npos);

    auto split = host->open(output);
    ASSERT_EQ(split->sheets().size(), 1u);
    EXPECT_EQ(split->cellText(0, 1, 1), "MarkerGamma");
    EXPECT_EQ(split->cellText(0, 3, 4), "4");

    // The shared checker wants a formula without "!" kept, even one that reaches another sheet
    // through a defined name (A2 here), so it judges the first sheet's output.
    const auto alpha = dir / "Alpha.xlsx";
    book->saveSheetAs(0, alpha);
    const CheckReport sheetCheck = runSheetCheck(source, "Alpha", alpha);
    EXPECT_EQ(sheetCheck.status, 0) << sheetCheck.output;
    const CheckReport packageCheck = runPackageCheck(source, {output});
    EXPECT_EQ(packageCheck.status, 0) << packageCheck.output;
}

// Gamma's own name to another sheet goes with that sheet, and so the formula using it must
// hold its value; a workbook-wide name it hides must not take its place.
TEST_F(EngineExtractTest, FormulasUsingTheSheetsOwnDroppedNameKeepTheirValues) {
    auto parts = sampleWorkbookParts();
    for (auto& part : parts) {
        if (part.name == "xl/workbook.xml") {
            part.data.insert(
                part.data.find("</definedNames>"),
                R"(<definedName name="LocalRef" localSheetId="2">Alpha!$A$2</definedName>)"
                R"(<definedName name="Rate" localSheetId="2">Beta!$A$1</definedName>)"
                R"(<definedName name="Rate">0.5</definedName>)");
        } else if (part.name == "xl/worksheets/sheet3.xml") {
            part.data.insert(
                part.data.find("</row>"),
                R"(<c r="E1"><f>LocalRef*2</f><v>2</v></c>)"
                R"(<c r="F1"><f>Rate+1</f><v>9</v></c><c r="G1"><f>A3+1</f><v>44928</v></c>)");
        }
    }
    writePackage(source, parts);
    const auto output = dir / "Gamma.xlsx";
    host->open(source)->saveSheetAs(2, output);

    const auto out = readPackage(output);
    const std::string& sheet = out.at("xl/worksheets/sheet3.xml");
    EXPECT_NE(sheet.find(R"(<c r="E1"><v>2</v></c>)"), std::string::npos) << sheet;
    EXPECT_NE(sheet.find(R"(<c r="F1"><v>9</v></c>)"), std::string::npos) << sheet;
    EXPECT_NE(sheet.find(R"(<c r="G1"><f>A3+1</f><v>44928</v></c>)"), std::string::npos) << sheet;
    const std::string& workbook = out.at("xl/workbook.xml");
    EXPECT_EQ(workbook.find("LocalRef"), std::string::npos);
    EXPECT_NE(workbook.find(R"(<definedName name="Rate">0.5</definedName>)"), std::string::npos);
    const CheckReport check = runSheetCheck(source, "Gamma", output);
    EXPECT_EQ(check.status, 0) << check.output;
}

// A sheet that is rewritten anyway gets a table of only its own strings, renumbered; one copied
// as it is keeps its indexes, so its table keeps blanks in the others' places.
TEST_F(EngineExtractTest, RewrittenSheetTakesOnlyItsOwnSharedStrings) {
    auto parts = sampleWorkbookParts();
    for (auto& part : parts) {
        if (part.name == "xl/worksheets/sheet3.xml") {
            part.data.insert(part.data.find("</row>"),
                             R"(<c r="E1" t="s"><v>4</v></c><c r="F1" t="s"><v>2</v></c>)");
        }
    }
    writePackage(source, parts);
    const auto gamma = dir / "Gamma.xlsx";
    const auto beta = dir / "Beta.xlsx";
    auto book = host->open(source);
    book->saveSheetAs(2, gamma);
    book->saveSheetAs(1, beta);

    const auto out = readPackage(gamma);
    const std::string& strings = out.at("xl/sharedStrings.xml");
    EXPECT_NE(strings.find(R"(count="2" uniqueCount="2"><si><r><t>Marker</t>)"), std::string::npos)
        << strings;
    EXPECT_NE(strings.find("</rPh></si><si><t>BetaOnlyResult</t></si></sst>"), std::string::npos)
        << strings;
    const std::string& sheet = out.at("xl/worksheets/sheet3.xml");
    EXPECT_NE(sheet.find(R"(<c r="A1" t="s"><v>0</v></c>)"), std::string::npos) << sheet;
    EXPECT_NE(sheet.find(R"(<c r="E1" t="s"><v>1</v></c><c r="F1" t="s"><v>0</v></c>)"),
              std::string::npos)
        << sheet;
    auto split = host->open(gamma);
    EXPECT_EQ(split->cellText(0, 1, 1), "MarkerGamma");
    EXPECT_EQ(split->cellText(0, 1, 5), "BetaOnlyResult");

    const auto copied = readPackage(beta);
    EXPECT_NE(copied.at("xl/sharedStrings.xml").find("<si><t/></si><si><t/></si>"),
              std::string::npos);
    EXPECT_EQ(copied.at("xl/worksheets/sheet2.xml"),
              readPackage(source).at("xl/worksheets/sheet2.xml"));
    const CheckReport check = runSheetCheck(source, "Gamma", gamma);
    EXPECT_EQ(check.status, 0) << check.output;
}

TEST_F(EngineExtractTest, HiddenSheetIsSavedVisibleUnderEachPackageType) {
    for (const char* extension : {".xlsx", ".xlsm", ".xltx", ".xltm"}) {
        const auto output = dir / (std::string("Beta") + extension);
        book->saveSheetAs(1, output);
        auto split = host->open(output);
        EXPECT_EQ(split->sheets()[0].visibility, pv::host::SheetVisibility::Visible) << extension;
        const std::string types = readPackage(output).at("[Content_Types].xml");
        const bool macro = extension[4] == 'm';
        EXPECT_EQ(types.find("macroEnabled.main") != std::string::npos, macro) << extension;
    }
}

TEST_F(EngineExtractTest, FailedSaveLeavesNoFile) {
    EXPECT_THROW(book->saveSheetAs(2, dir / "out.xls"), pv::Error);
    EXPECT_THROW(book->saveSheetAs(2, dir / "missing-folder" / "Gamma.xlsx"), pv::Error);
    EXPECT_THROW(book->saveSheetAs(2, source), pv::Error);
    EXPECT_THROW(book->saveSheetAs(7, dir / "x.xlsx"), pv::Error);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{"book.xlsx"});
}

TEST(EngineSelfTest, Passes) {
    EXPECT_TRUE(pv::host::engineSelfTest());
}

}  // namespace
