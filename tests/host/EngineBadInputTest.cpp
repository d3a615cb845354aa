// Hostile and broken packages: each gives one clear, numbered error at the step that meets the
// fault, never a crash, a hang or an output file.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <ostream>

#include "core/Error.h"
#include "host/PackageBuilder.h"
#include "host/SpreadsheetHost.h"
#include "host/cells/CellErrors.h"
#include "host/package/PackageErrors.h"
#include "host/xml/XmlErrors.h"
#include "host/zip/ZipErrors.h"
#include "host/zip/ZipReader.h"
#include "support/TestEnv.h"

namespace {

using namespace pv::test;

enum class Stage { Open, Read, Extract };

std::ostream& operator<<(std::ostream& out, Stage stage) {
    return out << (stage == Stage::Open ? "Open" : stage == Stage::Read ? "Read" : "Extract");
}

struct BadInput {
    const char* name;
    std::function<void(const fs::path&)> write;
    Stage stage;
    int number;
};

void PrintTo(const BadInput& input, std::ostream* out) {
    *out << input.name;
}

void writeMutated(const fs::path& file,
                  const std::function<void(std::vector<PackagePart>&)>& change) {
    auto parts = sampleWorkbookParts();
    change(parts);
    writePackage(file, parts);
}

std::function<void(const fs::path&)> mutated(
    std::function<void(std::vector<PackagePart>&)> change) {
    return [change](const fs::path& file) { writeMutated(file, change); };
}

std::function<void(const fs::path&)> sheet3(const std::string& xml) {
    return mutated([xml](auto& parts) { setPart(parts, "xl/worksheets/sheet3.xml", xml); });
}

// Far deeper than any real part and than a recursive walk's stack could follow.
std::string deepNesting() {
    std::string xml;
    for (int i = 0; i < 200000; ++i) {
        xml += "<a>";
    }
    for (int i = 0; i < 200000; ++i) {
        xml += "</a>";
    }
    return xml;
}

std::function<void(const fs::path&)> nestedDeeplyIn(const std::string& part,
                                                     const std::string& before) {
    return mutated(
        [part, before](auto& p) { replaceInPart(p, part, before, deepNesting() + before); });
}

// Characters drawn from `alphabet` that barely compress, so no zip-bomb cap takes them.
std::string noise(std::size_t length, std::string_view alphabet) {
    std::string text(length, ' ');
    std::uint32_t state = 12345;
    for (char& c : text) {
        state = state * 1103515245u + 12345u;
        c = alphabet[(state >> 16) % alphabet.size()];
    }
    return text;
}

// The sample with a theme, a part every output copies as it is.
void addTheme(std::vector<PackagePart>& parts, const std::string& xml) {
    parts.push_back({"xl/theme/theme1.xml", xml});
    replaceInPart(
        parts, "xl/_rels/workbook.xml.rels", "</Relationships>",
        R"(<Relationship Id="rId9" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/theme" Target="theme/theme1.xml"/></Relationships>)");
    replaceInPart(
        parts, "[Content_Types].xml", "</Types>",
        R"(<Override PartName="/xl/theme/theme1.xml" ContentType="application/vnd.openxmlformats-officedocument.theme+xml"/></Types>)");
}

const std::string kTheme =
    kHead +
    R"(<a:theme xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" name="T"/>)";

// Sheet 3 with a relationship of an ordinary kind to `target`.
std::function<void(const fs::path&)> sheetLinks(const std::string& target) {
    return mutated([target](auto& p) {
        p.push_back(
            {"xl/worksheets/_rels/sheet3.xml.rels",
             kHead + "<Relationships xmlns=\"" + kPkg +
                 R"("><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/drawing" Target=")" +
                 target + R"("/></Relationships>)"});
    });
}

const std::string kSheetHead =
    R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)";

class EngineBadInputTest : public ::testing::TestWithParam<BadInput> {};

TEST_P(EngineBadInputTest, FailsCleanly) {
    TempDir dir;
    const auto file = dir / "bad.xlsx";
    GetParam().write(file);
    auto host = pv::host::createEngineHost();
    Stage reached = Stage::Open;  // the step under way when the error came
    try {
        auto book = host->open(file);
        ASSERT_NE(GetParam().stage, Stage::Open) << "opened";
        reached = Stage::Read;
        (void)book->usedRange(2);
        ASSERT_NE(GetParam().stage, Stage::Read) << "read";
        reached = Stage::Extract;
        book->saveSheetAs(2, dir / "out.xlsx");
        FAIL() << "extracted";
    } catch (const pv::Error& e) {
        EXPECT_EQ(e.number(), GetParam().number) << e.description();
        EXPECT_EQ(reached, GetParam().stage) << e.description();
        EXPECT_NE(e.description().find(file.string()), std::string::npos) << e.description();
    }
    EXPECT_FALSE(fs::exists(dir / "out.xlsx"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Packages, EngineBadInputTest,
    ::testing::Values(
        BadInput{"TruncatedZip",
                 [](const fs::path& f) {
                     writePackage(f, sampleWorkbookParts());
                     fs::resize_file(f, fs::file_size(f) / 2);
                 },
                 Stage::Open, pv::number(pv::host::ZipError::CorruptZip)},
        BadInput{"NotAZip", [](const fs::path& f) { std::ofstream(f) << "hello, not a zip"; },
                 Stage::Open, pv::number(pv::host::ZipError::CorruptZip)},
        BadInput{"CompoundFile",
                 [](const fs::path& f) { std::ofstream(f) << "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"; },
                 Stage::Open, pv::number(pv::host::ZipError::LegacyOrEncrypted)},
        BadInput{"PasswordEncryptedPackage",
                 [](const fs::path& f) {
                     writeCompoundFile(f, {{u"EncryptionInfo", std::string(4096, 'i')},
                                           {u"EncryptedPackage", std::string(4096, 'p')}});
                 },
                 Stage::Open, pv::number(pv::host::ZipError::Encrypted)},
        BadInput{"OverlappingEntries",
                 [](const fs::path& f) {
                     writePackage(f, sampleWorkbookParts());
                     editArchive(f, {.overlapWithFirst = 3});
                 },
                 Stage::Open, pv::number(pv::host::ZipError::CorruptZip)},
        BadInput{"PreReleaseNamespace", mutated([](auto& p) {
                     auto& wb = std::find_if(p.begin(), p.end(), [](auto& x) {
                                    return x.name == "xl/workbook.xml";
                                })->data;
                     const std::string main =
                         "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
                     wb.replace(wb.find(main), main.size(),
                                "http://schemas.microsoft.com/office/excel/2006/2");
                 }),
                 Stage::Open, pv::number(pv::host::PackageError::UnknownNamespace)},
        BadInput{"CaseVariantDuplicate", mutated([](auto& p) {
                     p.push_back({"XL/Workbook.xml", "<x/>"});
                 }),
                 Stage::Open, pv::number(pv::host::ZipError::UnsafeEntry)},
        BadInput{"EscapingEntryName", mutated([](auto& p) {
                     p.push_back({"xl/../../evil.xml", "<x/>"});
                 }),
                 Stage::Open, pv::number(pv::host::ZipError::UnsafeEntry)},
        BadInput{"AbsoluteEntryName", mutated([](auto& p) {
                     p.push_back({"/etc/evil", "x"});
                 }),
                 Stage::Open, pv::number(pv::host::ZipError::UnsafeEntry)},
        BadInput{"MissingWorkbook", mutated([](auto& p) {
                     std::erase_if(p, [](auto& x) { return x.name == "xl/workbook.xml"; });
                 }),
                 Stage::Open, pv::number(pv::host::ZipError::MissingPart)},
        BadInput{"MissingSheetPart", mutated([](auto& p) {
                     std::erase_if(p, [](auto& x) { return x.name == "xl/worksheets/sheet2.xml"; });
                 }),
                 Stage::Open, pv::number(pv::host::ZipError::MissingPart)},
        BadInput{"DoctypeInWorkbook", mutated([](auto& p) {
                     auto& wb = std::find_if(p.begin(), p.end(), [](auto& x) {
                                    return x.name == "xl/workbook.xml";
                                })->data;
                     wb.insert(wb.find("<workbook"), "<!DOCTYPE workbook>");
                 }),
                 Stage::Open, pv::number(pv::host::XmlError::DtdRefused)},
        BadInput{
            "EntityInSheet",
            sheet3(
                R"(<?xml version="1.0"?><!DOCTYPE w [<!ENTITY a "aaaaaaaaaa"><!ENTITY b "&a;&a;&a;&a;">]>)" +
                kSheetHead + "</sheetData></worksheet>"),
            Stage::Read, pv::number(pv::host::XmlError::DtdRefused)},
        BadInput{"MalformedSheet", sheet3(kSheetHead + "<row><c r=\"A1\"></row></sheetData>"),
                 Stage::Read, pv::number(pv::host::XmlError::MalformedXml)},
        BadInput{"ColumnPastXFD",
                 sheet3(kSheetHead +
                        R"(<row r="1"><c r="XFE1"><v>1</v></c></row></sheetData></worksheet>)"),
                 Stage::Read, pv::number(pv::host::CellError::BadCellReference)},
        BadInput{
            "RowPastLimit",
            sheet3(
                kSheetHead +
                R"(<row r="1048577"><c r="XFD1048577"><v>1</v></c></row></sheetData></worksheet>)"),
            Stage::Read, pv::number(pv::host::CellError::BadCellReference)},
        BadInput{"RowZero",
                 sheet3(kSheetHead +
                        R"(<row r="1"><c r="A0"><v>1</v></c></row></sheetData></worksheet>)"),
                 Stage::Read, pv::number(pv::host::CellError::BadCellReference)},
        BadInput{
            "RelationshipCycle", mutated([](auto& p) {
                const std::string rels =
                    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/drawing" Target="%s"/></Relationships>)";
                auto with = [&](const std::string& target) {
                    std::string r = rels;
                    return r.replace(r.find("%s"), 2, target);
                };
                p.push_back(
                    {"xl/worksheets/_rels/sheet3.xml.rels", with("../drawings/drawing1.xml")});
                p.push_back({"xl/drawings/drawing1.xml", "<wsDr/>"});
                p.push_back(
                    {"xl/drawings/_rels/drawing1.xml.rels", with("../worksheets/sheet3.xml")});
            }),
            Stage::Extract, pv::number(pv::host::PackageError::RelationshipCycle)},
        BadInput{"DeepWorkbookRelationships",
                 nestedDeeplyIn("xl/_rels/workbook.xml.rels", "</Relationships>"), Stage::Open,
                 pv::number(pv::host::XmlError::MalformedXml)},
        BadInput{"DeepInsideSheetEntry", mutated([](auto& p) {
                     replaceInPart(p, "xl/workbook.xml", R"(r:id="rId3"/>)",
                                   R"(r:id="rId3">)" + deepNesting() + "</sheet>");
                 }),
                 Stage::Open, pv::number(pv::host::XmlError::MalformedXml)},
        BadInput{"DeepContentTypes", nestedDeeplyIn("[Content_Types].xml", "</Types>"),
                 Stage::Open, pv::number(pv::host::XmlError::MalformedXml)},
        BadInput{"DeepSharedStrings", nestedDeeplyIn("xl/sharedStrings.xml", "</sst>"),
                 Stage::Read, pv::number(pv::host::XmlError::MalformedXml)},
        BadInput{"CopiedPartWithWrongCrc",
                 [](const fs::path& f) {
                     writeMutated(f, [](auto& p) { addTheme(p, kTheme); });
                     editArchive(f, {.wrongCrcOf = "xl/theme/theme1.xml"});
                 },
                 Stage::Extract, pv::number(pv::host::ZipError::CorruptZip)},
        BadInput{"CopiedPartWithDoctype", mutated([](auto& p) {
                     addTheme(p, kHead +
                                     R"(<!DOCTYPE a:theme [<!ENTITY x SYSTEM "file:///etc/passwd">]>)" +
                                     kTheme.substr(kHead.size()));
                 }),
                 Stage::Extract, pv::number(pv::host::XmlError::DtdRefused)},
        BadInput{"SharedStringPastTheTable",
                 sheet3(kSheetHead +
                        R"(<row r="1"><c r="A1" t="s"><v>5</v></c></row></sheetData></worksheet>)"),
                 Stage::Read, pv::number(pv::host::CellError::BadSharedString)},
        BadInput{"NegativeSharedString",
                 sheet3(kSheetHead +
                        R"(<row r="1"><c r="A1" t="s"><v>-1</v></c></row></sheetData></worksheet>)"),
                 Stage::Read, pv::number(pv::host::CellError::BadSharedString)},
        BadInput{"SharedStringNotANumber",
                 sheet3(kSheetHead +
                        R"(<row r="1"><c r="A1" t="s"><v>1x</v></c></row></sheetData></worksheet>)"),
                 Stage::Read, pv::number(pv::host::CellError::BadSharedString)},
        BadInput{"SheetLinksTheWorkbook", sheetLinks("../workbook.xml"), Stage::Extract,
                 pv::number(pv::host::PackageError::LinksWorkbookPart)},
        BadInput{"SheetLinksTheSharedStrings", sheetLinks("../sharedStrings.xml"), Stage::Extract,
                 pv::number(pv::host::PackageError::LinksWorkbookPart)},
        BadInput{"SheetNameInvalidUtf8", mutated([](auto& p) {
                     replaceInPart(p, "xl/workbook.xml", R"(name="Gamma")", "name=\"Ga\xFF\xFEmma\"");
                 }),
                 Stage::Open, pv::number(pv::host::PackageError::BadStructure)},
        BadInput{"SheetNameControlCharacter", mutated([](auto& p) {
                     replaceInPart(p, "xl/workbook.xml", R"(name="Gamma")", R"(name="Ga&#1;mma")");
                 }),
                 Stage::Open, pv::number(pv::host::PackageError::BadStructure)},
        BadInput{"HugeAttribute",
                 sheet3(kSheetHead + R"(<row r="1"><c r="A1" x=")" + noise(6 << 20, "abcdefghijklmnopqrstuvwxyz") +
                        R"("><v>1</v></c></row></sheetData></worksheet>)"),
                 Stage::Read, pv::number(pv::host::XmlError::MalformedXml)},
        BadInput{"HugeText",
                 sheet3(kSheetHead + R"(<row r="1"><c r="A1" t="str"><v>)" +
                        noise(6 << 20, "0123456789") + R"(</v></c></row></sheetData></worksheet>)"),
                 Stage::Read, pv::number(pv::host::XmlError::MalformedXml)},
        BadInput{"PartOfTwoSheets", mutated([](auto& p) {
                     auto& rels = std::find_if(p.begin(), p.end(), [](auto& x) {
                                      return x.name == "xl/_rels/workbook.xml.rels";
                                  })->data;
                     rels.replace(rels.find("worksheets/sheet2.xml"), 21, "worksheets/sheet1.xml");
                 }),
                 Stage::Open, pv::number(pv::host::PackageError::SharedSheetPart)}),
    [](const ::testing::TestParamInfo<BadInput>& info) { return std::string(info.param.name); });

TEST(ZipLimitsTest, InflateRatioAndSizeCapsRefuseBombs) {
    TempDir dir;
    const auto file = dir / "bomb.xlsx";
    writePackage(file, {{"zeros.xml", std::string(4 << 20, '\0')}});
    pv::host::ZipLimits ratio;
    ratio.maxRatio = 100;
    pv::host::ZipLimits total;
    total.maxTotalSize = 1 << 20;
    pv::host::ZipLimits dom;
    dom.maxDomPartSize = 1 << 20;
    dom.maxRatio = 1e6;
    for (const auto& limits : {ratio, total}) {
        try {
            pv::host::ZipReader reader(file, limits);
            FAIL() << "opened";
        } catch (const pv::Error& e) {
            EXPECT_EQ(e.number(), pv::number(pv::host::ZipError::ZipBomb));
        }
    }
    pv::host::ZipReader reader(file, dom);
    try {
        (void)reader.read("zeros.xml");
        FAIL() << "loaded";
    } catch (const pv::Error& e) {
        EXPECT_EQ(e.number(), pv::number(pv::host::ZipError::ZipBomb));
    }
}

}  // namespace
