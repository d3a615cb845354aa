// Hyperlinks of a split sheet: a link to a place in another sheet of the workbook would be dead
// (and names that sheet), so it goes; a link into another file keeps its place in that file,
// even when the place is spelled like one of this workbook's sheets.
#include <gtest/gtest.h>

#include "host/PackageBuilder.h"
#include "host/SpreadsheetHost.h"
#include "support/TestEnv.h"

namespace {

using namespace pv::test;

const std::string kLinkType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/hyperlink";
const std::string kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

std::string withHyperlinks(std::string sheet) {
    const std::string links =
        "<hyperlinks>"
        R"(<hyperlink ref="A1" location="Beta!A1" display="to Beta"/>)"
        R"(<hyperlink ref="A2" location="Alpha!B2" display="to itself"/>)"
        "<hyperlink xmlns:r=\"" +
        kRelNs + R"(" ref="B1" location="Beta!A1" r:id="rIdFile"/>)" + "</hyperlinks>";
    const std::string end = "</sheetData>";
    return sheet.insert(sheet.find(end) + end.size(), links);
}

TEST(HyperlinksTest, LinksIntoOtherSheetsGoLinksIntoOtherFilesStay) {
    TempDir dir;
    auto parts = sampleWorkbookParts();
    for (auto& part : parts) {
        if (part.name == "xl/worksheets/sheet1.xml")
            part.data = withHyperlinks(part.data);
    }
    setPart(
        parts, "xl/worksheets/_rels/sheet1.xml.rels",
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
        R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
        R"(<Relationship Id="rIdFile" Type=")" +
            kLinkType +
            R"(" Target="file:///Book2.xlsx" TargetMode="External"/>)"
            "</Relationships>");
    const auto source = dir / "links.xlsx";
    writePackage(source, parts);

    const auto host = pv::host::createEngineHost();
    const auto book = host->open(source);
    book->saveSheetAs(0, dir / "Alpha.xlsx");
    const auto output = readPackage(dir / "Alpha.xlsx");

    const std::string& sheet = output.at("xl/worksheets/sheet1.xml");
    EXPECT_EQ(sheet.find("to Beta"), std::string::npos) << sheet;
    EXPECT_NE(sheet.find(R"(location="Alpha!B2")"), std::string::npos) << sheet;
    EXPECT_NE(sheet.find("rIdFile"), std::string::npos) << sheet;
    EXPECT_NE(output.at("xl/worksheets/_rels/sheet1.xml.rels").find("file:///Book2.xlsx"),
              std::string::npos);
}

}  // namespace
