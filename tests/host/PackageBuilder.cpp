#include "host/PackageBuilder.h"

#include <zip.h>

#include <stdexcept>

namespace pv::test {

void writePackage(const std::filesystem::path& file, const std::vector<PackagePart>& parts) {
    int code = 0;
    zip_t* archive = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (archive == nullptr) {
        throw std::runtime_error("cannot create " + file.string());
    }
    for (const auto& part : parts) {
        zip_source_t* source = zip_source_buffer(archive, part.data.data(), part.data.size(), 0);
        // ZIP_FL_OVERWRITE is not passed: libzip refuses exact duplicates, so tests of duplicate
        // names use case variants, which it accepts.
        const zip_int64_t index = zip_file_add(archive, part.name.c_str(), source, 0);
        if (index < 0) {
            zip_source_free(source);
            zip_discard(archive);
            throw std::runtime_error("cannot add " + part.name);
        }
        if (part.stored) {
            zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
        }
    }
    if (zip_close(archive) != 0) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

void setPart(std::vector<PackagePart>& parts, const std::string& name, std::string data) {
    for (auto& part : parts) {
        if (part.name == name) {
            part.data = std::move(data);
            return;
        }
    }
    parts.push_back({name, std::move(data)});
}

std::string& partData(std::vector<PackagePart>& parts, const std::string& name) {
    for (auto& part : parts) {
        if (part.name == name) {
            return part.data;
        }
    }
    throw std::runtime_error("no part " + name);
}

std::map<std::string, std::string> readPackage(const std::filesystem::path& file) {
    std::map<std::string, std::string> out;
    int code = 0;
    zip_t* archive = zip_open(file.c_str(), ZIP_RDONLY, &code);
    if (archive == nullptr) {
        throw std::runtime_error("cannot open " + file.string());
    }
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &st);
        std::string data(st.size, '\0');
        zip_file_t* f = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0);
        zip_fread(f, data.data(), st.size);
        zip_fclose(f);
        out[st.name] = data;
    }
    zip_discard(archive);
    return out;
}

namespace {

const std::string kHead = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)";
const std::string kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const std::string kRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const std::string kPkg = "http://schemas.openxmlformats.org/package/2006/relationships";

std::string worksheet(const std::string& cells) {
    return kHead + "<worksheet xmlns=\"" + kMain + "\" xmlns:r=\"" + kRel +
           "\"><sheetViews><sheetView workbookViewId=\"0\"/></sheetViews><sheetData>" + cells +
           "</sheetData></worksheet>";
}

}  // namespace

std::vector<PackagePart> sampleWorkbookParts() {
    const std::string ws =
        "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
    return {
        {"[Content_Types].xml",
         kHead +
             R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
             R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
             R"(<Default Extension="xml" ContentType="application/xml"/>)"
             R"(<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>)"
             R"(<Override PartName="/xl/worksheets/sheet1.xml" ContentType=")" +
             ws +
             R"("/>)"
             R"(<Override PartName="/xl/worksheets/sheet2.xml" ContentType=")" +
             ws +
             R"("/>)"
             R"(<Override PartName="/xl/worksheets/sheet3.xml" ContentType=")" +
             ws +
             R"("/>)"
             R"(<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>)"
             R"(<Override PartName="/xl/calcChain.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml"/>)"
             R"(<Override PartName="/docProps/app.xml" ContentType="application/vnd.openxmlformats-officedocument.extended-properties+xml"/>)"
             R"(</Types>)"},
        {"_rels/.rels",
         kHead + "<Relationships xmlns=\"" + kPkg +
             "\">"
             R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>)"
             R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/extended-properties" Target="docProps/app.xml"/>)"
             "</Relationships>"},
        {"docProps/app.xml",
         kHead +
             R"(<Properties xmlns="http://schemas.openxmlformats.org/officeDocument/2006/extended-properties" xmlns:vt="http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes">)"
             R"(<HeadingPairs><vt:vector size="2" baseType="variant"><vt:variant><vt:lpstr>Worksheets</vt:lpstr></vt:variant><vt:variant><vt:i4>3</vt:i4></vt:variant></vt:vector></HeadingPairs>)"
             R"(<TitlesOfParts><vt:vector size="3" baseType="lpstr"><vt:lpstr>Alpha</vt:lpstr><vt:lpstr>Beta</vt:lpstr><vt:lpstr>Gamma</vt:lpstr></vt:vector></TitlesOfParts></Properties>)"},
        {"xl/workbook.xml",
         kHead + "<workbook xmlns=\"" + kMain + "\" xmlns:r=\"" + kRel +
             "\">"
             R"(<bookViews><workbookView activeTab="2" firstSheet="1"/></bookViews><sheets>)"
             R"(<sheet name="Alpha" sheetId="1" r:id="rId1"/>)"
             R"(<sheet name="Beta" sheetId="2" state="hidden" r:id="rId2"/>)"
             R"(<sheet name="Gamma" sheetId="3" r:id="rId3"/></sheets><definedNames>)"
             R"(<definedName name="AlphaCell">Alpha!$A$1</definedName>)"
             R"(<definedName name="BetaCell">Beta!$A$1</definedName>)"
             R"(<definedName name="ViaBeta">BetaCell*2</definedName>)"
             R"(<definedName name="_xlnm.Print_Area" localSheetId="1">Beta!$A$1:$B$2</definedName>)"
             R"(<definedName name="_xlnm.Print_Area" localSheetId="2">Gamma!$A$1:$C$3</definedName>)"
             R"(</definedNames></workbook>)"},
        {"xl/_rels/workbook.xml.rels",
         kHead + "<Relationships xmlns=\"" + kPkg +
             "\">"
             R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>)"
             R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet2.xml"/>)"
             R"(<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="/xl/worksheets/sheet3.xml"/>)"
             R"(<Relationship Id="rId4" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>)"
             R"(<Relationship Id="rId5" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/calcChain" Target="calcChain.xml"/>)"
             "</Relationships>"},
        {"xl/sharedStrings.xml",
         kHead + "<sst xmlns=\"" + kMain +
             "\" count=\"5\" uniqueCount=\"5\">"
             "<si><t>MarkerAlpha</t></si><si><t>MarkerBeta</t></si>"
             "<si><r><t>Marker</t></r><r><t>Gamma</t></r><rPh sb=\"0\" "
             "eb=\"1\"><t>phonetic</t></rPh></si>"
             "<si><t>shared_x000D_text</t></si><si><t>BetaOnlyResult</t></si></sst>"},
        {"xl/calcChain.xml",
         kHead + "<calcChain xmlns=\"" + kMain + "\"><c r=\"B1\" i=\"3\"/></calcChain>"},
        {"xl/worksheets/sheet1.xml",
         worksheet(R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>3</v></c></row>)"
                   R"(<row r="2"><c r="A2"><v>1</v></c><c r="B2" t="b"><v>1</v></c></row>)")},
        {"xl/worksheets/sheet2.xml",
         worksheet(R"(<row r="1"><c r="A1" t="s"><v>1</v></c><c r="B1" t="s"><v>4</v></c></row>)")},
        {"xl/worksheets/sheet3.xml",
         worksheet(
             R"(<row r="1"><c r="A1" t="s"><v>2</v></c>)"
             R"(<c r="B1" t="str"><f>Beta!B1</f><v>BetaOnlyResult</v></c>)"
             R"(<c r="C1"><f>SUM(Alpha:Beta!A2)</f><v>7</v></c></row>)"
             R"(<row r="2"><c r="A2"><f>ViaBeta+1</f><v>3</v></c>)"
             R"(<c r="B2"><f t="shared" ref="B2:B3" si="0">Alpha!A2+1</f><v>2</v></c>)"
             R"(<c r="C2"><f t="shared" ref="C2:C3" si="1">A2*2</f><v>6</v></c></row>)"
             R"(<row r="3"><c r="A3"><v>44927</v></c><c r="B3"><f t="shared" si="0"/><v>2</v></c>)"
             R"(<c r="C3"><f t="shared" si="1"/><v>12</v></c><c r="D3"><f>Gamma!A2+AlphaCell</f><v>4</v></c></row>)")},
    };
}

}  // namespace pv::test
