// A save that has to learn its sheet's facts rewrites the sheet in the same pass once the
// workbook's sheets turn out to refer to each other, and starts over at the first reference out
// before that. Whichever way a sheet was rewritten, its output must be the same bytes.
#include <gtest/gtest.h>

#include <fstream>

#include "host/PackageBuilder.h"
#include "host/SpreadsheetHost.h"
#include "support/OutputCheck.h"
#include "support/TestEnv.h"

namespace {

using namespace pv::test;

std::string fileBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The sample workbook with a fourth sheet that refers to no other, so it is copied as it is;
// Alpha reads Gamma, and Beta reads Alpha without a cached value, uses its strings in another
// order than the table's, one index written with blanks around it, and has a tall empty row.
std::vector<PackagePart> crossReadingWorkbook() {
    auto parts = sampleWorkbookParts();
    replaceInPart(parts, "[Content_Types].xml", "<Override PartName=\"/xl/sharedStrings.xml\"",
                  "<Override PartName=\"/xl/worksheets/sheet4.xml\" ContentType=\"application/"
                  "vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
                  "<Override PartName=\"/xl/sharedStrings.xml\"");
    replaceInPart(parts, "xl/workbook.xml", "</sheets>",
                  R"(<sheet name="Delta" sheetId="4" r:id="rId6"/></sheets>)");
    replaceInPart(parts, "xl/_rels/workbook.xml.rels", "</Relationships>",
                  R"(<Relationship Id="rId6" Type="http://schemas.openxmlformats.org/)"
                  R"(officeDocument/2006/relationships/worksheet" Target="worksheets/sheet4.xml"/>)"
                  "</Relationships>");
    replaceInPart(parts, "docProps/app.xml", "<vt:i4>3</vt:i4>", "<vt:i4>4</vt:i4>");
    replaceInPart(parts, "docProps/app.xml", R"(<vt:vector size="3" baseType="lpstr">)",
                  R"(<vt:vector size="4" baseType="lpstr">)");
    replaceInPart(parts, "docProps/app.xml", "<vt:lpstr>Gamma</vt:lpstr>",
                  "<vt:lpstr>Gamma</vt:lpstr><vt:lpstr>Delta</vt:lpstr>");
    replaceInPart(parts, "xl/worksheets/sheet1.xml", "</row><row r=\"2\">",
                  R"(<c r="C1"><f>Gamma!A3</f><v>44927</v></c></row><row r="2">)");
    replaceInPart(parts, "xl/worksheets/sheet2.xml", "</row>",
                  R"(<c r="C1"><f>Alpha!A2</f></c><c r="D1" t="s"><v> 3 </v></c>)"
                  R"(<c r="E1" t="s"><v>1</v></c></row><row r="30" ht="30" customHeight="1"/>)");
    parts.push_back({"xl/worksheets/sheet4.xml",
                     kHead + "<worksheet xmlns=\"" + kMain +
                         "\"><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>4</v></c>"
                         "<c r=\"B1\"><f>LEN(A1)</f><v>14</v></c></row></sheetData></worksheet>"});
    return parts;
}

TEST(RewriteWhileScanningTest, OutputsAreTheSameBytesAsSheetsRewrittenOnTheirOwn) {
    TempDir dir;
    const fs::path source = dir / "book.xlsx";
    writePackage(source, crossReadingWorkbook());
    const std::vector<std::string> names = {"Alpha", "Beta", "Gamma", "Delta"};
    fs::create_directories(dir / "alone");
    fs::create_directories(dir / "together");

    // Each sheet by a host of its own: no earlier sheet says the workbook's sheets refer out.
    std::vector<pv::host::UsedRange> ranges;
    for (std::size_t i = 0; i < names.size(); ++i) {
        auto host = pv::host::createEngineHost();
        auto book = host->open(source);
        ranges.push_back(book->usedRange(i));
        book->saveSheetAs(i, dir / "alone" / (names[i] + ".xlsx"));
    }
    EXPECT_EQ(ranges[1].lastRow, 30);
    EXPECT_EQ(ranges[1].lastColumn, 5);

    // One host, as a split has it: a sheet is only checked for content before its save, so
    // the save learns its facts. Alpha's scan stops at its reference out and the rewriting
    // pass starts over; from then on each later sheet is rewritten in the pass that learns its
    // facts, even Delta, which turns out to refer to none and is copied as it is.
    auto host = pv::host::createEngineHost();
    auto book = host->open(source);
    const auto together = [&](std::size_t i) { return dir / "together" / (names[i] + ".xlsx"); };
    for (std::size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        EXPECT_TRUE(book->hasContentBeyondA1(i));
        book->saveSheetAs(i, together(i));
        const auto range = book->usedRange(i);
        EXPECT_EQ(range.lastRow, ranges[i].lastRow);
        EXPECT_EQ(range.lastColumn, ranges[i].lastColumn);
    }

    std::vector<fs::path> outputs;
    for (std::size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        EXPECT_TRUE(fileBytes(together(i)) == fileBytes(dir / "alone" / (names[i] + ".xlsx")));
        if (i != 1) {  // Beta shows a value its source left uncached: read back below
            const CheckReport check = runSheetCheck(source, names[i], together(i));
            EXPECT_EQ(check.status, 0) << check.output;
        }
        outputs.push_back(together(i));
    }
    const CheckReport package = runPackageCheck(source, outputs);
    EXPECT_EQ(package.status, 0) << package.output;

    // Beta's table holds its own strings in the order it first uses them; the index written
    // with blanks names the same string as before.
    const auto beta = readPackage(together(1));
    EXPECT_NE(beta.at("xl/sharedStrings.xml")
                  .find(R"(count="3" uniqueCount="3"><si><t>MarkerBeta</t></si>)"
                        "<si><t>BetaOnlyResult</t></si><si><t>shared_x000D_text</t></si></sst>"),
              std::string::npos)
        << beta.at("xl/sharedStrings.xml");
    auto split = host->open(together(1));
    EXPECT_EQ(split->cellText(0, 1, 3), "1");  // Alpha's A2, for want of a cached value
    EXPECT_EQ(split->cellText(0, 1, 4), "shared\rtext");
    EXPECT_EQ(split->cellText(0, 1, 5), "MarkerBeta");
    // The sheet that refers to no other is copied as it is.
    EXPECT_EQ(readPackage(together(3)).at("xl/worksheets/sheet4.xml"),
              readPackage(source).at("xl/worksheets/sheet4.xml"));
}

}  // namespace
