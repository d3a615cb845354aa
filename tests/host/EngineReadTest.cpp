// Reading through the copies of a workbook one host opens (a run reads on one thread and saves
// on another), cell lookups on a sheet too big to keep its cells, and the text of numbers in
// built-in formats.
#include <gtest/gtest.h>

#include "host/PackageBuilder.h"
#include "host/SpreadsheetHost.h"
#include "support/TestEnv.h"

namespace {

using namespace pv::test;

std::string worksheet(const std::string& rows) {
    return kHead +
           R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)" +
           rows + "</sheetData></worksheet>";
}

TEST(EngineReadTest, ACopyOpenedLaterSeesTheFileAsItIsNow) {
    TempDir dir;
    const auto source = dir / "book.xlsx";
    auto parts = sampleWorkbookParts();
    writePackage(source, parts);
    auto host = pv::host::createEngineHost();
    auto first = host->open(source);
    EXPECT_EQ(first->usedRange(0).lastRow, 2);

    // A second copy while the first is open shares what the first learned...
    auto second = host->open(source);
    EXPECT_EQ(second->usedRange(0).lastRow, 2);
    second->saveSheetAs(0, dir / "Alpha.xlsx");
    EXPECT_EQ(host->open(dir / "Alpha.xlsx")->cellText(0, 1, 1), "MarkerAlpha");

    // ...but not once the file changed.
    setPart(parts, "xl/worksheets/sheet1.xml",
            worksheet(R"(<row r="9"><c r="E9" t="s"><v>1</v></c></row>)"));
    writePackage(source, parts);
    auto third = host->open(source);
    EXPECT_EQ(third->usedRange(0).lastRow, 9);
    EXPECT_EQ(third->usedRange(0).lastColumn, 5);
    third->saveSheetAs(0, dir / "Alpha9.xlsx");
    EXPECT_EQ(host->open(dir / "Alpha9.xlsx")->cellText(0, 9, 5), "MarkerBeta");
}

TEST(EngineReadTest, CellsOfASheetTooBigToCacheAreFoundWhereverAsked) {
    // 2,000,000 cells is the most a sheet keeps; this one has 130 full rows (2,129,920 cells)
    // whose value is column + row * 100000.
    constexpr int kRows = 130;
    constexpr int kColumns = 16384;
    std::string rows;
    rows.reserve(static_cast<std::size_t>(kRows) * kColumns * 24);
    for (int r = 1; r <= kRows; ++r) {
        rows += "<row r=\"" + std::to_string(r) + "\">";
        for (int c = 1; c <= kColumns; ++c) {
            rows += "<c><v>" + std::to_string(c + r * 100000) + "</v></c>";
        }
        rows += "</row>";
    }
    TempDir dir;
    const auto source = dir / "big.xlsx";
    auto parts = sampleWorkbookParts();
    setPart(parts, "xl/worksheets/sheet1.xml", worksheet(rows));
    rows.clear();
    rows.shrink_to_fit();
    writePackage(source, parts);

    auto book = pv::host::createEngineHost()->open(source);
    EXPECT_EQ(book->usedRange(0).lastRow, kRows);
    EXPECT_EQ(book->usedRange(0).lastColumn, kColumns);
    const struct {
        int row, column;
        std::string text;
    } cases[] = {{1, 1, "100001"},   {2, 3, "200003"},    {64, 16384, "6416384"},
                 {65, 2, "6500002"}, {1, 5, "100005"},    {130, 16384, "13016384"},
                 {131, 1, ""},       {129, 7, "12900007"}};
    for (const auto& c : cases) {
        EXPECT_EQ(book->cellText(0, c.row, c.column), c.text) << c.row << "," << c.column;
    }
    EXPECT_EQ(book->cellText(2, 1, 1), "MarkerGamma");  // another sheet after the big one
    EXPECT_EQ(book->cellText(0, 2, 2), "200002");
}

// A number's text for a name follows its style's built-in format, named by id alone: a date, a
// time of day, or an elapsed time that counts past 24 hours.
TEST(EngineReadTest, NumbersInBuiltInFormatsReadAsDatesAndTimes) {
    TempDir dir;
    const auto source = dir / "formats.xlsx";
    auto parts = sampleWorkbookParts();
    setPart(parts, "xl/styles.xml",
            kHead + "<styleSheet xmlns=\"" + kMain +
                "\"><cellXfs count=\"5\"><xf numFmtId=\"0\"/><xf numFmtId=\"46\"/>"
                "<xf numFmtId=\"20\"/><xf numFmtId=\"14\"/><xf numFmtId=\"4\"/></cellXfs>"
                "</styleSheet>");
    replaceInPart(
        parts, "xl/_rels/workbook.xml.rels", "</Relationships>",
        R"(<Relationship Id="rId9" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/></Relationships>)");
    setPart(parts, "xl/worksheets/sheet1.xml",
            worksheet(R"(<row r="1"><c r="A1" s="1"><v>1.5</v></c><c r="B1" s="2"><v>1.5</v></c>)"
                      R"(<c r="C1" s="3"><v>45000</v></c><c r="D1" s="4"><v>1234.5</v></c>)"
                      R"(<c r="E1"><v>1.5</v></c></row>)"));
    writePackage(source, parts);

    auto book = pv::host::createEngineHost()->open(source);
    EXPECT_EQ(book->cellText(0, 1, 1), "36:00:00");
    EXPECT_EQ(book->cellText(0, 1, 2), "12:00:00");
    EXPECT_EQ(book->cellText(0, 1, 3), "2023-03-15");
    EXPECT_EQ(book->cellText(0, 1, 4), "1234.5");  // plain numbers keep General's form
    EXPECT_EQ(book->cellText(0, 1, 5), "1.5");
}

}  // namespace
