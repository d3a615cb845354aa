// Parts beside a sheet that can carry other sheets' names or references: threaded-comment
// authors, slicer and timeline references in the sheet's extensions, form-control links (in
// the sheet and in control properties) and chartEx data. Each sheet gets its own; each output
// must keep its own and nothing of the others'.
#include <gtest/gtest.h>

#include "host/PackageBuilder.h"
#include "host/SpreadsheetHost.h"
#include "support/TestEnv.h"

namespace {

using namespace pv::test;

const std::string kThreaded =
    "http://schemas.microsoft.com/office/spreadsheetml/2018/threadedcomments";

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    if (at == std::string::npos) {
        throw std::runtime_error("no " + from + " to replace");
    }
    return text.replace(at, from.size(), to);
}

std::string partText(const std::vector<PackagePart>& parts, const std::string& name) {
    for (const auto& part : parts) {
        if (part.name == name) {
            return part.data;
        }
    }
    throw std::runtime_error("no part " + name);
}

std::string relationships(const std::string& body) {
    return kHead + "<Relationships xmlns=\"" + kPkg + "\">" + body + "</Relationships>";
}

std::string relationship(const std::string& id, const std::string& type,
                         const std::string& target) {
    return "<Relationship Id=\"" + id + "\" Type=\"" + type + "\" Target=\"" + target + "\"/>";
}

std::string threadedComments(const std::string& body) {
    return kHead + "<ThreadedComments xmlns=\"" + kThreaded + "\">" + body + "</ThreadedComments>";
}

std::vector<PackagePart> workbookWithSideParts() {
    auto parts = sampleWorkbookParts();
    const std::string ms = "http://schemas.microsoft.com/office/";
    const std::string od = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    setPart(
        parts, "[Content_Types].xml",
        replaced(
            partText(parts, "[Content_Types].xml"), "</Types>",
            R"(<Default Extension="vml" ContentType="application/vnd.openxmlformats-officedocument.vmlDrawing"/>)"
            R"(<Override PartName="/xl/ctrlProps/ctrlProp1.xml" ContentType="application/vnd.ms-excel.controlproperties+xml"/>)"
            R"(<Override PartName="/xl/charts/chartEx1.xml" ContentType="application/vnd.ms-office.chartex+xml"/>)"
            "</Types>"));
    setPart(
        parts, "xl/_rels/workbook.xml.rels",
        replaced(partText(parts, "xl/_rels/workbook.xml.rels"), "</Relationships>",
                 relationship("rId9", ms + "2017/10/relationships/person", "persons/person.xml") +
                     "</Relationships>"));
    setPart(parts, "xl/persons/person.xml",
            kHead + "<personList xmlns=\"" + kThreaded + "\">" +
                R"(<person displayName="AlphaAuthor" id="{A-1}" providerId="None"/>)"
                R"(<person displayName="GammaAuthor" id="{G-1}" providerId="None"/>)"
                R"(<person displayName="GammaMentioned" id="{M-1}" providerId="None"/>)"
                "</personList>");

    // Alpha: a threaded comment, a slicer and a timeline; its extensions name both by r:id.
    setPart(
        parts, "xl/worksheets/sheet1.xml",
        replaced(
            partText(parts, "xl/worksheets/sheet1.xml"), "</worksheet>",
            R"(<extLst><ext uri="{A8765BA9-456A-4dab-B4F3-ACF838C121DE}" xmlns:x14="http://schemas.microsoft.com/office/spreadsheetml/2009/9/main">)"
            R"(<x14:slicerList><x14:slicer r:id="rId2"/></x14:slicerList></ext>)"
            R"(<ext uri="{7E03D99C-DC04-49d9-9315-930204A7B6E9}" xmlns:x15="http://schemas.microsoft.com/office/spreadsheetml/2010/11/main">)"
            R"(<x15:timelineRefs><x15:timelineRef r:id="rId3"/></x15:timelineRefs></ext>)"
            R"(<ext uri="{05C60535-1F16-4fd2-B633-F4F36F0B64E0}" xmlns:x14="http://schemas.microsoft.com/office/spreadsheetml/2009/9/main">)"
            R"(<x14:sparklineGroups/></ext></extLst></worksheet>)"));
    setPart(parts, "xl/worksheets/_rels/sheet1.xml.rels",
            relationships(
                relationship("rId1", ms + "2017/10/relationships/threadedComment",
                             "../threadedComments/threadedComment1.xml") +
                relationship("rId2", ms + "2007/relationships/slicer", "../slicers/slicer1.xml") +
                relationship("rId3", ms + "2011/relationships/timeline",
                             "../timelines/timeline1.xml")));
    setPart(
        parts, "xl/threadedComments/threadedComment1.xml",
        threadedComments(
            R"(<threadedComment ref="A1" id="{C-1}" personId="{A-1}"><text>AlphaNote</text></threadedComment>)"));
    setPart(parts, "xl/slicers/slicer1.xml", kHead + "<slicers/>");
    setPart(parts, "xl/timelines/timeline1.xml", kHead + "<timelines/>");

    // Beta: a form control linked to Alpha, its only reference to another sheet.
    setPart(parts, "xl/worksheets/sheet2.xml",
            replaced(partText(parts, "xl/worksheets/sheet2.xml"), "</worksheet>",
                     R"(<controls><control shapeId="1025" name="Drop"><controlPr )"
                     R"(linkedCell="Alpha!$A$1" listFillRange="$A$1:$A$3"/></control></controls>)"
                     "</worksheet>"));

    // Gamma: a threaded comment with a mention, a form control and a chartEx.
    setPart(parts, "xl/worksheets/_rels/sheet3.xml.rels",
            relationships(
                relationship("rId1", ms + "2017/10/relationships/threadedComment",
                             "../threadedComments/threadedComment2.xml") +
                relationship("rId2", od + "ctrlProp", "../ctrlProps/ctrlProp1.xml") +
                relationship("rId3", ms + "2014/relationships/chartEx", "../charts/chartEx1.xml") +
                relationship("rId4", od + "vmlDrawing", "../drawings/vmlDrawing1.vml")));
    // Legacy controls, in VML as spreadsheet programs write it: not well-formed XML.
    setPart(
        parts, "xl/drawings/vmlDrawing1.vml",
        R"(<xml xmlns:v="urn:schemas-microsoft-com:vml" xmlns:x="urn:schemas-microsoft-com:office:excel">)"
        R"(<v:shape id="_x0000_s1025"><v:textbox><div>Pick<br></div></v:textbox>)"
        R"(<x:ClientData ObjectType="Checkbox"><x:FmlaLink>Beta!$B$2</x:FmlaLink>)"
        R"(<x:FmlaRange>'Gamma'!$A$1:$A$3</x:FmlaRange></x:ClientData></v:shape>)"
        R"(<v:shape id="_x0000_s1026"><x:ClientData ObjectType="Drop"><x:FmlaLink>$C$3</x:FmlaLink>)"
        R"(<x:FmlaRange>'Al&amp;pha'!A1:A2</x:FmlaRange></x:ClientData></v:shape></xml>)");
    setPart(
        parts, "xl/threadedComments/threadedComment2.xml",
        threadedComments(
            R"(<threadedComment ref="A1" id="{C-2}" personId="{g-1}"><text>GammaNote</text>)"
            R"(<mentions><mention mentionpersonId="{M-1}" mentionId="{X}" startIndex="0" length="1"/></mentions></threadedComment>)"));
    setPart(
        parts, "xl/ctrlProps/ctrlProp1.xml",
        kHead +
            R"(<formControlPr xmlns="http://schemas.microsoft.com/office/spreadsheetml/2009/9/main" objectType="Drop" fmlaLink="Alpha!$A$1" fmlaRange="$A$1:$A$3"/>)");
    setPart(
        parts, "xl/charts/chartEx1.xml",
        kHead +
            R"(<cx:chartSpace xmlns:cx="http://schemas.microsoft.com/office/drawing/2014/chartex"><cx:chartData><cx:data id="0">)"
            R"(<cx:strDim type="cat"><cx:f>Beta!$A$1:$A$2</cx:f><cx:lvl ptCount="1"><cx:pt idx="0">CachedLabel</cx:pt></cx:lvl></cx:strDim>)"
            R"(<cx:numDim type="val"><cx:f>Gamma!$C$1:$C$2</cx:f><cx:lvl ptCount="1"><cx:pt idx="0">7</cx:pt></cx:lvl></cx:numDim>)"
            R"(</cx:data></cx:chartData></cx:chartSpace>)");
    return parts;
}

class EngineSidePartsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        source = dir / "book.xlsx";
        writePackage(source, workbookWithSideParts());
        host = pv::host::createEngineHost();
        book = host->open(source);
    }

    std::map<std::string, std::string> split(std::size_t sheet, const std::string& name) {
        const auto output = dir / name;
        book->saveSheetAs(sheet, output);
        return readPackage(output);
    }

    TempDir dir;
    fs::path source;
    std::unique_ptr<pv::host::SpreadsheetHost> host;
    std::unique_ptr<pv::host::SourceWorkbook> book;
};

TEST_F(EngineSidePartsTest, AuthorsAreOnlyThoseOfTheSheetsOwnThreadedComments) {
    const auto alpha = split(0, "Alpha.xlsx").at("xl/persons/person.xml");
    EXPECT_NE(alpha.find("AlphaAuthor"), std::string::npos);
    EXPECT_EQ(alpha.find("GammaAuthor"), std::string::npos);
    EXPECT_EQ(alpha.find("GammaMentioned"), std::string::npos);

    const auto gamma = split(2, "Gamma.xlsx").at("xl/persons/person.xml");
    EXPECT_EQ(gamma.find("AlphaAuthor"), std::string::npos);
    EXPECT_NE(gamma.find("GammaAuthor"), std::string::npos);  // ids compare without case
    EXPECT_NE(gamma.find("GammaMentioned"), std::string::npos);
}

TEST_F(EngineSidePartsTest, DroppedSlicersAndTimelinesLeaveNoReferenceInTheSheet) {
    const auto parts = split(0, "Alpha.xlsx");
    const auto& sheet = parts.at("xl/worksheets/sheet1.xml");
    EXPECT_EQ(sheet.find("slicer"), std::string::npos);
    EXPECT_EQ(sheet.find("timeline"), std::string::npos);
    EXPECT_NE(sheet.find("<x14:sparklineGroups/>"), std::string::npos);  // other extensions stay
    EXPECT_EQ(parts.count("xl/slicers/slicer1.xml"), 0u);
    const auto& rels = parts.at("xl/worksheets/_rels/sheet1.xml.rels");
    EXPECT_EQ(rels.find("slicer"), std::string::npos);
    EXPECT_NE(rels.find("threadedComment1.xml"), std::string::npos);
}

TEST_F(EngineSidePartsTest, ControlLinksLegacyOnesTooAndChartExDataToOtherSheetsGo) {
    const auto parts = split(2, "Gamma.xlsx");
    const auto& control = parts.at("xl/ctrlProps/ctrlProp1.xml");
    EXPECT_EQ(control.find("fmlaLink"), std::string::npos);
    EXPECT_NE(control.find(R"(fmlaRange="$A$1:$A$3")"), std::string::npos);
    const auto beta = split(1, "Beta.xlsx").at("xl/worksheets/sheet2.xml");
    EXPECT_EQ(beta.find("linkedCell"), std::string::npos);
    EXPECT_NE(beta.find(R"(listFillRange="$A$1:$A$3")"), std::string::npos);
    const auto& vml = parts.at("xl/drawings/vmlDrawing1.vml");
    EXPECT_EQ(vml.find("Beta!"), std::string::npos);
    EXPECT_EQ(vml.find("Al&amp;pha"), std::string::npos);
    EXPECT_NE(vml.find("<x:FmlaRange>'Gamma'!$A$1:$A$3</x:FmlaRange>"), std::string::npos);
    EXPECT_NE(vml.find("<x:FmlaLink>$C$3</x:FmlaLink>"), std::string::npos);
    EXPECT_NE(vml.find("<div>Pick<br></div>"), std::string::npos);  // the rest as it was
    const auto& chart = parts.at("xl/charts/chartEx1.xml");
    EXPECT_EQ(chart.find("Beta!"), std::string::npos);
    EXPECT_NE(chart.find("CachedLabel"), std::string::npos);  // the shown data stays
    EXPECT_NE(chart.find("<cx:f>Gamma!$C$1:$C$2</cx:f>"), std::string::npos);
}

}  // namespace
