// A sheet that must be rewritten (a formula reaching another sheet, strings renumbered) is
// copied as its part has it, patched only where it changes: every other byte stays as written,
// and a part the fast reader leaves to the general parser gives the same document.
#include <gtest/gtest.h>

#include "host/PackageBuilder.h"
#include "host/SpreadsheetHost.h"
#include "host/cells/SharedStrings.h"
#include "host/zip/ZipReader.h"
#include "support/OutputCheck.h"
#include "support/TestEnv.h"
#include "support/XmlEventLog.h"

namespace {

using namespace pv::test;

const std::string kDeclaration =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";

// Each kept stretch as an unusual but valid writer has it: single quotes, spaces in tags,
// character references, line ends and an empty element written out as a pair.
const std::string kKeptStart =
    "<worksheet xmlns='" + kMain +
    "'><sheetPr ><tabColor rgb=\"FF00FF00\"></tabColor></sheetPr><sheetData>"
    "<row r='1' spans=\"1:4\" ><c r='A1' t='s' ><v>";
const std::string kKeptRow1 =
    "<c r=\"C1\" s=\"0\"/><c r=\"D1\" t=\"inlineStr\"><is><t xml:space='preserve'>"
    "a &#38; b\r\n&#x41;&gt;</t></is></c>";
const std::string kKeptRow2 = "</row>\r\n<row r=\"2\"><c r=\"A2\"><f>A1&amp;\"x\"</f><v>0</v></c>";
const std::string kKeptEnd =
    "</row></sheetData><pageMargins left=\"0.7\" right=\"0.7\" "
    "top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"
    "</worksheet>";

// Gamma, the third sheet, reads Beta in B1 (text), B2 (a 3-D sum) and B3.
std::string gammaSheet(const std::string& inSheetData = "") {
    std::string sheet = kHead + "\r\n" + kKeptStart + "2" +
                        R"(</v></c><c r="B1" t="str"><f>Beta!B1</f><v>BetaOnlyResult</v></c>)" +
                        kKeptRow1 + kKeptRow2 +
                        R"(<c r="B2"><f>SUM(Alpha:Beta!A2)</f><v>7</v></c>)"
                        "<c r='B3' s='0' ><f>Beta!A1 &amp; \"!\"</f><v>3</v></c>" +
                        kKeptEnd;
    if (!inSheetData.empty())
        sheet.replace(sheet.find("<sheetData>") + 11, 0, inSheetData);
    return sheet;
}

class SheetCopyTest : public ::testing::Test {
  protected:
    // Gamma saved alone from a workbook holding `gamma` as its part; its sheet part.
    std::string savedGamma(const std::string& gamma, const std::string& name) {
        auto parts = sampleWorkbookParts();
        setPart(parts, "xl/worksheets/sheet3.xml", gamma);
        const fs::path source = dir / (name + ".xlsx");
        writePackage(source, parts);
        const fs::path output = dir / (name + "-Gamma.xlsx");
        auto host = pv::host::createEngineHost();
        host->open(source)->saveSheetAs(2, output);
        const auto sheet = runSheetCheck(source, "Gamma", output);
        EXPECT_EQ(sheet.status, 0) << sheet.output;
        const auto package = runPackageCheck(source, {output});
        EXPECT_EQ(package.status, 0) << package.output;
        for (const auto& [part, data] : readPackage(output))
            if (part.starts_with("xl/worksheets/") && part.ends_with(".xml"))
                return data;
        ADD_FAILURE() << "no sheet in " << output;
        return {};
    }

    TempDir dir;
};

std::string events(const std::string& xml) {
    XmlEventRecorder recorder;
    recorder.parseBuffer(xml, "sheet");
    return recorder.log.joined();
}

TEST_F(SheetCopyTest, KeepsEveryUnchangedByteAndPatchesOnlyWhatMustChange) {
    const std::string plain = savedGamma(gammaSheet(), "plain");
    // The string index renumbered (Gamma's only string is the first of its table), the cells
    // reading Beta made values (text inline, the quoted start tag written again without it).
    EXPECT_EQ(plain, kDeclaration + kKeptStart + "0" +
                         R"(</v></c><c r="B1" t="inlineStr"><is><t xml:space="preserve">)"
                         R"(BetaOnlyResult</t></is></c>)" +
                         kKeptRow1 + kKeptRow2 + R"(<c r="B2"><v>7</v></c>)" +
                         R"(<c r="B3" s="0"><v>3</v></c>)" + kKeptEnd);

    // A comment sends the part to the general parser, which writes every event out again:
    // other bytes, the same document.
    const std::string general = savedGamma(gammaSheet("<!-- by hand -->"), "general");
    EXPECT_EQ(general.find("'"), std::string::npos) << general;
    EXPECT_EQ(events(general), events(plain));
}

TEST(SharedStringsCopy, ItemsKeepTheirBytesUnderTheFastReaderAndTheirTextUnderEither) {
    TempDir dir;
    const std::string items =
        "<si><t xml:space='preserve'>a &#38; b&#13;</t></si>"
        "<si><r><rPr><b/></rPr><t>bold</t></r><r><t>&gt;</t></r></si>";
    const auto load = [&](const std::string& name, const std::string& extra) {
        writePackage(dir / name, {{"sst.xml", kHead + "<sst xmlns=\"" + kMain + "\">" + extra +
                                                  items + "</sst>"}});
        pv::host::ZipReader zip(dir / name);
        pv::host::SharedStrings strings;
        strings.load(zip, "sst.xml");
        return strings;
    };
    const auto plain = load("plain.xlsx", "");
    ASSERT_EQ(plain.size(), 2u);
    EXPECT_EQ(std::string(plain.xml(0)) + std::string(plain.xml(1)), items);

    const auto general = load("general.xlsx", "<!-- by hand -->");
    ASSERT_EQ(general.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(events(std::string(general.xml(i))), events(std::string(plain.xml(i))));
        EXPECT_EQ(general.text(i), plain.text(i));
    }
    EXPECT_EQ(plain.text(0), "a & b\r");
    EXPECT_EQ(plain.text(1), "bold>");
}

}  // namespace
