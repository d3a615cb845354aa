// Relationship targets resolve as URIs do: a ".." above the package root stays at the root, and a
// target that is not in the package is a missing part for whoever follows it, which fails the
// workbook only when it cannot work without the part. The workbook part is in one of the two
// namespaces of the format, or the package is refused, naming the one it is in.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/Error.h"
#include "host/PackageBuilder.h"
#include "host/SpreadsheetHost.h"
#include "host/package/PackageErrors.h"
#include "host/package/PackagePath.h"
#include "host/zip/ZipErrors.h"
#include "support/OutputCheck.h"
#include "support/TestEnv.h"

namespace {

using namespace pv::test;
using pv::host::resolveTarget;

TEST(ResolveTarget, DotSegmentsAboveTheRootStayAtTheRoot) {
    EXPECT_EQ(resolveTarget("", "../customXml/item1.xml"), "customXml/item1.xml");
    EXPECT_EQ(resolveTarget("xl/workbook.xml", "../../../docProps/core.xml"), "docProps/core.xml");
    EXPECT_EQ(resolveTarget("xl/worksheets/sheet1.xml", "../drawings/./drawing1.xml"),
              "xl/drawings/drawing1.xml");
    EXPECT_EQ(resolveTarget("xl/workbook.xml", "/xl/../../styles.xml"), "styles.xml");
    EXPECT_EQ(resolveTarget("xl/workbook.xml", "/"), "");
}

void addRelationship(std::vector<PackagePart>& parts, const std::string& rels,
                     const std::string& relationship) {
    std::string& xml = partData(parts, rels);
    xml.insert(xml.rfind("</Relationships>"), relationship);
}

const std::string kRelType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

TEST(RelationshipTargets, ATargetAboveTheRootThatIsNeverFollowedLeavesTheWorkbookWhole) {
    TempDir dir;
    const auto file = dir / "book.xlsx";
    auto parts = sampleWorkbookParts();
    addRelationship(parts, "_rels/.rels",
                    R"(<Relationship Id="rId9" Type=")" + kRelType +
                        R"(customXml" Target="../customXml/item1.xml"/>)");
    // One the sheet's part graph does follow, to a part that is not there.
    parts.push_back(
        {"xl/worksheets/_rels/sheet1.xml.rels",
         R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
         R"(<Relationship Id="rId1" Type=")" +
             kRelType +
             R"(printerSettings" Target="../../../../printerSettings1.bin"/>)"
             "</Relationships>"});
    writePackage(file, parts);
    auto host = pv::host::createEngineHost();
    auto book = host->open(file);
    ASSERT_EQ(book->sheets().size(), 3u);
    const auto out = dir / "out";
    fs::create_directory(out);
    for (std::size_t sheet = 0; sheet < 3; ++sheet) {
        book->saveSheetAs(sheet, out / (book->sheets()[sheet].name + ".xlsx"));
    }
    EXPECT_EQ(host->open(out / "Alpha.xlsx")->cellText(0, 1, 1), "MarkerAlpha");
    const CheckReport split = runSplitCheck(file, out);
    EXPECT_EQ(split.status, 0) << split.output;
}

TEST(RelationshipTargets, TheWorkbookOrASheetOutsideThePackageIsAMissingPart) {
    for (const auto& [rels, from] :
         {std::pair<std::string, std::string>{"_rels/.rels", "xl/workbook.xml"},
          {"xl/_rels/workbook.xml.rels", "worksheets/sheet1.xml"}}) {
        SCOPED_TRACE(rels);
        TempDir dir;
        const auto file = dir / "book.xlsx";
        auto parts = sampleWorkbookParts();
        std::string& xml = partData(parts, rels);
        xml.replace(xml.find(from), from.size(), "../../elsewhere/" + from);
        writePackage(file, parts);
        try {
            (void)pv::host::createEngineHost()->open(file);
            FAIL() << "opened";
        } catch (const pv::Error& e) {
            EXPECT_EQ(e.number(), pv::number(pv::host::ZipError::MissingPart)) << e.description();
            EXPECT_NE(e.description().find(file.string()), std::string::npos);
        }
    }
}

TEST(RelationshipTargets, ASheetWithoutARelationshipIdIsEmptyAndTheOthersStillSplit) {
    TempDir dir;
    const auto file = dir / "book.xlsx";
    auto parts = sampleWorkbookParts();
    replaceInPart(parts, "xl/workbook.xml", "</sheets>",
                  R"(<sheet name="Ghost" sheetId="9" r:id=""/></sheets>)");
    writePackage(file, parts);
    const auto book = pv::host::createEngineHost()->open(file);
    ASSERT_EQ(book->sheets().size(), 4U);
    EXPECT_EQ(book->sheets()[3].name, "Ghost");
    EXPECT_FALSE(book->usedRange(3).hasContentBeyondA1());
    EXPECT_EQ(book->cellText(3, 1, 1), "");
    try {
        book->saveSheetAs(3, dir / "Ghost.xlsx");
        FAIL() << "saved a sheet without a part";
    } catch (const pv::Error& e) {
        EXPECT_EQ(e.number(), pv::number(pv::host::ZipError::MissingPart)) << e.description();
        EXPECT_FALSE(fs::exists(dir / "Ghost.xlsx"));
    }
    const auto out = dir / "out";
    fs::create_directory(out);
    for (std::size_t sheet = 0; sheet < 3; ++sheet) {
        book->saveSheetAs(sheet, out / (book->sheets()[sheet].name + ".xlsx"));
    }
    const auto alpha = readPackage(out / "Alpha.xlsx").at("xl/workbook.xml");
    EXPECT_EQ(alpha.find("Ghost"), std::string::npos);
    const CheckReport split = runSplitCheck(file, out);
    EXPECT_EQ(split.status, 0) << split.output;
}

TEST(WorkbookNamespace, BothNamespacesOfTheFormatOpenAnyOtherIsNamed) {
    struct Case {
        const char* name;
        std::string from;
        std::string to;
        bool opens;
    };
    for (const auto& [name, from, to, opens] :
         {Case{"Prefixed", "<workbook xmlns=", "<x:workbook xmlns:x=", true},
          Case{"Strict", kMain, "http://purl.oclc.org/ooxml/spreadsheetml/main", true},
          Case{"PreRelease", kMain, "http://schemas.microsoft.com/office/excel/2006/2", false},
          Case{"None", "xmlns=\"" + kMain + "\"", "", false}}) {
        SCOPED_TRACE(name);
        TempDir dir;
        const auto file = dir / "book.xlsx";
        auto parts = sampleWorkbookParts();
        std::string& xml = partData(parts, "xl/workbook.xml");
        xml.replace(xml.find(from), from.size(), to);
        if (std::string(name) == "Prefixed") {
            xml.replace(xml.rfind("</workbook>"), 11, "</x:workbook>");
        }
        writePackage(file, parts);
        try {
            auto book = pv::host::createEngineHost()->open(file);
            EXPECT_TRUE(opens);
            EXPECT_EQ(book->sheets().size(), 3u);
        } catch (const pv::Error& e) {
            EXPECT_FALSE(opens) << e.description();
            EXPECT_EQ(e.number(), pv::number(pv::host::PackageError::UnknownNamespace));
            EXPECT_NE(e.description().find("namespace \"" + to.substr(0, to.find('"')) + "\""),
                      std::string::npos)
                << e.description();
        }
    }
}

}  // namespace
