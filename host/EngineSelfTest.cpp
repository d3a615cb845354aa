// The engine's self-test: writes a tiny two-sheet workbook, reads it back and splits one sheet.
#include <zip.h>

#include <random>

#include "host/SpreadsheetHost.h"

namespace pv::host {

namespace {

constexpr const char* kParts[][2] = {
    {"[Content_Types].xml",
     R"(<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/><Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/><Override PartName="/xl/worksheets/sheet2.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/><Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/></Types>)"},
    {"_rels/.rels",
     R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>)"},
    {"xl/workbook.xml",
     R"(<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="One" sheetId="1" r:id="rId1"/><sheet name="Two" sheetId="2" state="hidden" r:id="rId2"/></sheets></workbook>)"},
    {"xl/_rels/workbook.xml.rels",
     R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/><Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet2.xml"/><Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/></Relationships>)"},
    {"xl/sharedStrings.xml",
     R"(<?xml version="1.0" encoding="UTF-8"?><sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="2" uniqueCount="2"><si><t>alpha</t></si><si><r><t>be</t></r><r><t>ta</t></r></si></sst>)"},
    {"xl/worksheets/sheet1.xml",
     R"(<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData><row r="1"><c r="A1" t="s"><v>0</v></c></row><row r="3"><c r="C3"><f>Two!A1*2</f><v>2.5</v></c></row></sheetData></worksheet>)"},
    {"xl/worksheets/sheet2.xml",
     R"(<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData><row r="1"><c r="A1" t="s"><v>1</v></c></row></sheetData></worksheet>)"},
};

bool writeSample(const std::filesystem::path& file) {
    int code = 0;
    zip_t* archive = zip_open(file.c_str(), ZIP_CREATE | ZIP_EXCL, &code);
    if (archive == nullptr) {
        return false;
    }
    for (const auto& [name, text] : kParts) {
        zip_source_t* source =
            zip_source_buffer(archive, text, std::char_traits<char>::length(text), 0);
        if (source == nullptr || zip_file_add(archive, name, source, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(source);
            zip_discard(archive);
            return false;
        }
    }
    return zip_close(archive) == 0;
}

}  // namespace

bool engineSelfTest() noexcept {
    std::error_code ec;
    const auto folder = std::filesystem::temp_directory_path(ec) /
                        ("pellavine-selftest-" + std::to_string(std::random_device()()));
    if (ec || !std::filesystem::create_directory(folder, ec)) {
        return false;
    }
    bool ok = false;
    try {
        const auto source = folder / "sample.xlsx";
        if (writeSample(source)) {
            auto host = createEngineHost();
            auto book = host->open(source);
            const auto range = book->usedRange(0);
            book->saveSheetAs(0, folder / "One.xlsx");
            auto split = host->open(folder / "One.xlsx");
            ok = book->sheets().size() == 2 && range.lastRow == 3 && range.lastColumn == 3 &&
                 book->cellText(0, 1, 1) == "alpha" && book->cellText(1, 1, 1) == "beta" &&
                 book->cellText(0, 3, 3) == "2.5" && split->sheets().size() == 1 &&
                 split->cellText(0, 3, 3) == "2.5" && split->cellText(0, 1, 1) == "alpha";
        }
    } catch (...) {
        ok = false;
    }
    std::filesystem::remove_all(folder, ec);
    return ok;
}

}  // namespace pv::host
