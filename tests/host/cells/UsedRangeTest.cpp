// The used range as the application reckons it, which decides whether a sheet is split at all:
// notes and threaded comments count, and so do rows with a height, a style or hidden; merged
// areas and column formats do not (the application's own <dimension> agrees). A sheet whose
// only content beyond A1 is a note must come out whole, as the independent reader sees it.
#include <gtest/gtest.h>

#include "host/PackageBuilder.h"
#include "host/SpreadsheetHost.h"
#include "support/OutputCheck.h"
#include "support/TestEnv.h"

namespace {

using namespace pv::test;

const std::string kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

std::string worksheet(const std::string& beforeData, const std::string& rows,
                      const std::string& afterData) {
    return kHead +
           R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r=")" +
           kRelNs + R"(">)" + beforeData + "<sheetData>" + rows + "</sheetData>" + afterData +
           "</worksheet>";
}

std::string relationships(const std::string& type, const std::string& target) {
    return kHead +
           R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
           R"(<Relationship Id="rId1" Type=")" +
           type + R"(" Target=")" + target + R"("/>)" +
           (type.ends_with("/comments")
                ? R"(<Relationship Id="rId2" Type=")" + kRelNs +
                      R"(/vmlDrawing" Target="../drawings/vmlDrawing1.vml"/>)"
                : std::string()) +
           "</Relationships>";
}

const std::string kMarkerA1 =
    R"(<row r="1"><c r="A1" t="inlineStr"><is><t>Only A1</t></is></c></row>)";

// Alpha: text in A1 and a note on B2. Beta: text in A1 and a threaded comment on C4, without
// the legacy note. Gamma: text in A1, a row of custom height, a hidden row and a bare row, a
// merged column and every column styled.
std::vector<PackagePart> noteBeyondA1Parts() {
    auto parts = sampleWorkbookParts();
    auto& types = parts[0].data;
    types.insert(
        types.find("</Types>"),
        R"(<Default Extension="vml" ContentType="application/vnd.openxmlformats-officedocument.vmlDrawing"/>)"
        R"(<Override PartName="/xl/comments1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.comments+xml"/>)"
        R"(<Override PartName="/xl/threadedComments/threadedComment1.xml" ContentType="application/vnd.ms-excel.threadedcomments+xml"/>)");
    setPart(parts, "xl/worksheets/sheet1.xml",
            worksheet("", kMarkerA1, R"(<legacyDrawing r:id="rId2"/>)"));
    setPart(parts, "xl/worksheets/_rels/sheet1.xml.rels",
            relationships(kRelNs + "/comments", "../comments1.xml"));
    setPart(parts, "xl/comments1.xml",
            kHead +
                R"(<comments xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
                R"(<authors><author>Reviewer</author></authors><commentList>)"
                R"(<comment ref="B2" authorId="0"><text><t>NoteOnB2</t></text></comment>)"
                R"(<comment ref="not a cell" authorId="0"><text><t>Nowhere</t></text></comment>)"
                R"(</commentList></comments>)");
    setPart(
        parts, "xl/drawings/vmlDrawing1.vml",
        R"(<xml xmlns:v="urn:schemas-microsoft-com:vml" xmlns:o="urn:schemas-microsoft-com:office:office" xmlns:x="urn:schemas-microsoft-com:office:excel">)"
        R"(<v:shape id="_x0000_s1025" type="#_x0000_t202" style="visibility:hidden"><v:textbox/>)"
        R"(<x:ClientData ObjectType="Note"><x:Row>1</x:Row><x:Column>1</x:Column></x:ClientData></v:shape></xml>)");

    setPart(parts, "xl/worksheets/sheet2.xml", worksheet("", kMarkerA1, ""));
    setPart(
        parts, "xl/worksheets/_rels/sheet2.xml.rels",
        relationships("http://schemas.microsoft.com/office/2017/10/relationships/threadedComment",
                      "../threadedComments/threadedComment1.xml"));
    setPart(
        parts, "xl/threadedComments/threadedComment1.xml",
        kHead +
            R"(<ThreadedComments xmlns="http://schemas.microsoft.com/office/spreadsheetml/2018/threadedcomments">)"
            R"(<threadedComment ref="C4" id="{C-1}" personId="{P-1}"><text>Threaded</text></threadedComment>)"
            R"(</ThreadedComments>)");

    setPart(
        parts, "xl/worksheets/sheet3.xml",
        worksheet(R"(<cols><col min="1" max="16384" width="20" style="1" customWidth="1"/></cols>)",
                  kMarkerA1 + R"(<row r="5" ht="30" customHeight="1"/>)" +
                      R"(<row r="7" hidden="1"/><row r="9" spans="1:1"/>)",
                  R"(<mergeCells count="1"><mergeCell ref="B1:B1048576"/></mergeCells>)"));
    return parts;
}

TEST(UsedRangeTest, NotesAndFormattedRowsCountMergesAndColumnsDoNot) {
    TempDir dir;
    const auto source = dir / "NoteBeyondA1.xlsx";
    writePackage(source, noteBeyondA1Parts());
    auto host = pv::host::createEngineHost();
    auto book = host->open(source);

    const struct { int lastRow, lastColumn; } expected[] = {{2, 2}, {4, 3}, {7, 1}};
    for (std::size_t sheet = 0; sheet < 3; ++sheet) {
        const auto range = book->usedRange(sheet);
        EXPECT_EQ(range.lastRow, expected[sheet].lastRow) << sheet;
        EXPECT_EQ(range.lastColumn, expected[sheet].lastColumn) << sheet;
        EXPECT_TRUE(range.hasContentBeyondA1()) << sheet;
    }
    EXPECT_EQ(book->cellText(0, 2, 2), "");  // a note is no cell text

    // The split asks only whether a sheet reaches beyond A1, which a pass can answer early; it
    // must answer as the whole range does, notes and formatted rows included, and say no for A1.
    auto parts = noteBeyondA1Parts();
    replaceInPart(parts, "xl/worksheets/sheet3.xml",
                  R"(<row r="5" ht="30" customHeight="1"/><row r="7" hidden="1"/>)", "");
    const auto onlyA1 = dir / "OnlyA1.xlsx";
    writePackage(onlyA1, parts);
    for (const auto& [file, beyond] :
         {std::pair{source, std::vector{true, true, true}}, {onlyA1, {true, true, false}}}) {
        auto fresh = pv::host::createEngineHost()->open(file);
        for (std::size_t sheet = 0; sheet < 3; ++sheet) {
            SCOPED_TRACE(file.filename().string() + " sheet " + std::to_string(sheet));
            EXPECT_EQ(fresh->hasContentBeyondA1(sheet), beyond[sheet]);
            EXPECT_EQ(fresh->usedRange(sheet).hasContentBeyondA1(), beyond[sheet]);
        }
    }

    const auto output = dir / "Alpha.xlsx";
    book->saveSheetAs(0, output);
    const CheckReport check = runSheetCheck(source, "Alpha", output);
    EXPECT_EQ(check.status, 0) << check.output;
    EXPECT_EQ(host->open(output)->usedRange(0).lastRow, 2);
}

}  // namespace
