// What the package itself says about a split sheet: its parts under one spelling each, used
// byte for byte by every relationship, content type and relationships part (a reader that
// compares names exactly must find everything), and document properties that name no other
// sheet.
#include <gtest/gtest.h>

#include <regex>

#include "host/PackageBuilder.h"
#include "host/SpreadsheetHost.h"
#include "host/package/PackagePath.h"
#include "support/OutputCheck.h"
#include "support/TestEnv.h"

namespace {

using namespace pv::test;

void rename(std::vector<PackagePart>& parts, const std::string& from, const std::string& to) {
    for (auto& part : parts) {
        if (part.name == from) {
            part.name = to;
            return;
        }
    }
    throw std::runtime_error("no part " + from);
}

void replaceIn(std::string& text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    if (at == std::string::npos) {
        throw std::runtime_error("no " + from);
    }
    text.replace(at, from.size(), to);
}

// The parts stored in one case and named in another: the shared strings and the workbook
// (stored capitalised, named in lowercase), Alpha's sheet (named capitalised) and its
// relationships part (stored in capitals), the package's relationships ("_RELS/.rels").
std::vector<PackagePart> workbookWithPartNamesInOtherCase() {
    auto parts = sampleWorkbookParts();
    rename(parts, "xl/sharedStrings.xml", "xl/SharedStrings.xml");
    rename(parts, "xl/workbook.xml", "xl/Workbook.xml");
    rename(parts, "_rels/.rels", "_RELS/.rels");
    replaceIn(partData(parts, "xl/_rels/workbook.xml.rels"), "Target=\"worksheets/sheet1.xml\"",
              "Target=\"Worksheets/Sheet1.xml\"");
    rename(parts, "xl/_rels/workbook.xml.rels", "xl/_rels/WORKBOOK.XML.rels");
    setPart(
        parts, "xl/worksheets/_rels/SHEET1.XML.RELS",
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
        R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
        R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/hyperlink" Target="https://example.org/" TargetMode="External"/>)"
        "</Relationships>");
    return parts;
}

std::vector<std::string> attributeValues(const std::string& xml, const std::string& name) {
    std::vector<std::string> out;
    const std::regex pattern(" " + name + "=\"([^\"]*)\"");
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), pattern);
         it != std::sregex_iterator(); ++it) {
        out.push_back((*it)[1]);
    }
    return out;
}

// Writes `parts` as dir/book.xlsx and splits the sheets at `sheets` into dir/out/<name>.
void splitInto(const fs::path& dir, const std::vector<PackagePart>& parts,
               const std::vector<std::pair<std::size_t, std::string>>& sheets) {
    writePackage(dir / "book.xlsx", parts);
    const auto host = pv::host::createEngineHost();
    const auto book = host->open(dir / "book.xlsx");
    fs::create_directories(dir / "out");
    for (const auto& [sheet, name] : sheets) {
        book->saveSheetAs(sheet, dir / "out" / name);
    }
}

TEST(PackageNames, EveryPartHasOneSpellingThatEveryReferenceUses) {
    TempDir dir;
    splitInto(dir.path(), workbookWithPartNamesInOtherCase(),
              {{0, "Alpha.xlsx"}, {2, "Gamma.xlsx"}});
    const auto parts = readPackage(dir / "out" / "Alpha.xlsx");

    EXPECT_EQ(parts.count("_rels/.rels"), 1u);
    for (const auto& partName : attributeValues(parts.at("[Content_Types].xml"), "PartName")) {
        EXPECT_EQ(parts.count(partName.substr(1)), 1u) << partName;
    }
    std::size_t targets = 0;
    for (const auto& [name, data] : parts) {
        if (!name.ends_with(".rels")) {
            continue;
        }
        // A relationships part is named after its source part exactly ...
        const auto rels = name.rfind("_rels/");
        const std::string source =
            name.substr(0, rels) + name.substr(rels + 6, name.size() - rels - 11);
        EXPECT_TRUE(source.empty() || parts.count(source) == 1) << name;
        EXPECT_EQ(pv::host::relationshipsPartOf(source), source.empty() ? "_rels/.rels" : name);
        // ... and each of its targets names a part exactly.
        for (const auto& target : attributeValues(data, "Target")) {
            if (target.find(':') == std::string::npos) {
                ++targets;
                EXPECT_EQ(parts.count(pv::host::resolveTarget(source, target)), 1u)
                    << name << ": " << target << "\n"
                    << data;
            }
        }
    }
    EXPECT_EQ(targets, 4u);  // the workbook, app.xml; the sheet, the shared strings
    EXPECT_EQ(parts.at("xl/Workbook.xml").find("Gamma"), std::string::npos);  // rewritten
    EXPECT_EQ(parts.at("xl/SharedStrings.xml").find("MarkerGamma"), std::string::npos);

    // A reader that compares names exactly sees the sheet's strings and no other sheet's.
    const auto check = runSplitCheck(dir / "book.xlsx", dir / "out");
    EXPECT_EQ(check.status, 0) << check.output;
}

TEST(PackageNames, RelativeTargetsResolveBackByteForByte) {
    using pv::host::relativeTarget;
    using pv::host::resolveTarget;
    EXPECT_EQ(relativeTarget("xl/Workbook.xml", "xl/worksheets/sheet1.xml"),
              "worksheets/sheet1.xml");
    EXPECT_EQ(relativeTarget("xl/worksheets/sheet1.xml", "xl/media/image 1.png"),
              "../media/image%201.png");
    EXPECT_EQ(relativeTarget("XL/drawings/d.xml", "xl/charts/c.xml"), "../../xl/charts/c.xml");
    EXPECT_EQ(relativeTarget("", "xl/workbook.xml"), "xl/workbook.xml");
    EXPECT_EQ(relativeTarget("docProps/app.xml", "top.xml"), "../top.xml");
    for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
             {"xl/a/b/c.xml", "xl/a/x/y.xml"}, {"a.xml", "b/c/d.xml"}, {"xl/a.xml", "xl/b.xml"}}) {
        EXPECT_EQ(resolveTarget(from, relativeTarget(from, to)), to) << from << " -> " << to;
    }
}

std::string coreProperties(const std::string& fields) {
    return R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
           R"(<cp:coreProperties xmlns:cp="http://schemas.openxmlformats.org/package/2006/metadata/core-properties" )"
           R"(xmlns:dc="http://purl.org/dc/elements/1.1/" xmlns:dcterms="http://purl.org/dc/terms/" )"
           R"(xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">)" +
           fields + "</cp:coreProperties>";
}

// Fields naming Beta and Gamma, fields naming only Alpha (and "Gammas", no sheet), the author.
std::vector<PackagePart> workbookWithCorePropertiesNamingSheets() {
    auto parts = sampleWorkbookParts();
    replaceIn(
        partData(parts, "_rels/.rels"), "</Relationships>",
        R"(<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties" Target="docProps/core.xml"/></Relationships>)");
    replaceIn(
        partData(parts, "[Content_Types].xml"), "</Types>",
        R"(<Override PartName="/docProps/core.xml" ContentType="application/vnd.openxmlformats-package.core-properties+xml"/></Types>)");
    setPart(
        parts, "docProps/core.xml",
        coreProperties(
            "<dc:title>Alpha, Beta and Gamma</dc:title>"
            "<dc:subject>Alpha totals</dc:subject>"
            "<cp:keywords>budget; beta</cp:keywords>"
            "<dc:description>Figures from 'Gamma'!A1</dc:description>"
            "<cp:category>Gammas</cp:category>"
            "<dc:creator>Ann Author</dc:creator>"
            R"(<dcterms:created xsi:type="dcterms:W3CDTF">2024-01-02T03:04:05Z</dcterms:created>)"));
    return parts;
}

TEST(DocumentProperties, TitleIsTheSheetAndFieldsNamingOtherSheetsGo) {
    TempDir dir;
    splitInto(dir.path(), workbookWithCorePropertiesNamingSheets(), {{0, "Alpha.xlsx"}});
    EXPECT_EQ(
        readPackage(dir / "out" / "Alpha.xlsx").at("docProps/core.xml"),
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n" +
            coreProperties(
                "<dc:title>Alpha</dc:title>"
                "<dc:subject>Alpha totals</dc:subject>"
                "<cp:category>Gammas</cp:category>"
                "<dc:creator>Ann Author</dc:creator>"
                R"(<dcterms:created xsi:type="dcterms:W3CDTF">2024-01-02T03:04:05Z</dcterms:created>)")
                .substr(55));
}

}  // namespace
