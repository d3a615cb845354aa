#include "host/PackageBuilder.h"

#include <zip.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
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

void replaceInPart(std::vector<PackagePart>& parts, const std::string& name,
                   const std::string& from, const std::string& to) {
    for (auto& part : parts) {
        if (part.name == name) {
            const auto at = part.data.find(from);
            if (at == std::string::npos) {
                throw std::runtime_error(name + " holds no " + from);
            }
            part.data.replace(at, from.size(), to);
            return;
        }
    }
    throw std::runtime_error("no part " + name);
}

namespace {

std::uint32_t get(const std::string& bytes, std::size_t at, int width) {
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(bytes.at(at + static_cast<std::size_t>(i)));
    }
    return value;
}

void put(std::string& bytes, std::size_t at, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) {
        bytes.at(at + static_cast<std::size_t>(i)) = static_cast<char>(value >> (8 * i) & 0xFF);
    }
}

std::string le32(std::uint32_t value) {
    std::string bytes(4, '\0');
    put(bytes, 0, value, 4);
    return bytes;
}

std::string readAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace

void editArchive(const std::filesystem::path& file, const ArchiveEdit& edit) {
    const std::string zip = readAll(file);
    const std::size_t eocd = zip.size() - 22;
    if (get(zip, eocd, 4) != 0x06054b50) {
        throw std::runtime_error(file.string() + ": not a plain archive");
    }
    const std::size_t entries = get(zip, eocd + 10, 2);
    std::size_t at = get(zip, eocd + 16, 4);
    std::string body;
    std::string central;
    std::uint32_t firstOffset = 0;
    for (std::size_t i = 0; i < entries; ++i) {
        const std::size_t recordSize =
            46 + get(zip, at + 28, 2) + get(zip, at + 30, 2) + get(zip, at + 32, 2);
        std::string record = zip.substr(at, recordSize);
        at += recordSize;
        const std::size_t local = get(record, 42, 4);
        const std::size_t headerSize = 30 + get(zip, local + 26, 2) + get(zip, local + 28, 2);
        std::string header = zip.substr(local, headerSize);
        const std::string data = zip.substr(local + headerSize, get(record, 20, 4));
        if (edit.wrongCrc || record.substr(46, get(record, 28, 2)) == edit.wrongCrcOf) {
            put(record, 16, get(record, 16, 4) ^ 1, 4);
            put(header, 14, get(record, 16, 4), 4);
        }
        if (i + 1 == entries) {
            put(record, 20, get(record, 20, 4) + edit.lastEntryReach, 4);
        }
        if (edit.dataDescriptors) {
            for (std::string* h : {&header, &record}) {
                put(*h, h == &header ? 6 : 8, get(*h, h == &header ? 6 : 8, 2) | 0x8, 2);
            }
            put(header, 14, 0, 4);  // CRC
            put(header, 18, 0, 4);  // compressed size
        }
        const std::uint32_t time = get(header, 10, 2);
        put(header, 10, (time & ~0x1Fu) | ((time & 0x1F) + edit.localTimeSkew / 2) % 30, 2);
        const auto offset = static_cast<std::uint32_t>(body.size());
        firstOffset = i == 0 ? offset : firstOffset;
        put(record, 42, i != 0 && i == edit.overlapWithFirst ? firstOffset : offset, 4);
        body += header + data;
        if (edit.dataDescriptors) {
            body += le32(0x08074b50) + record.substr(16, 12);  // CRC and both sizes
        }
        central += record;
    }
    std::string end = zip.substr(eocd, 22);
    put(end, 12, static_cast<std::uint32_t>(central.size()), 4);
    put(end, 16, static_cast<std::uint32_t>(body.size()), 4);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << body << central << end;
}

void writeCompoundFile(const std::filesystem::path& file,
                       const std::vector<std::pair<std::u16string, std::string>>& streams) {
    constexpr std::uint32_t kSector = 512;
    constexpr std::uint32_t kEnd = 0xFFFFFFFE;
    auto sectorsOf = [](std::size_t n) {
        return static_cast<std::uint32_t>((n + kSector - 1) / kSector);
    };
    // Sector 0 holds the FAT, sector 1 the directory (root and up to three streams).
    if (streams.size() > 3) {
        throw std::runtime_error("too many streams for one directory sector");
    }
    std::string fat(kSector, '\xFF');
    put(fat, 0, 0xFFFFFFFD, 4);
    put(fat, 4, kEnd, 4);
    std::string directory(kSector, '\0');
    auto entry = [&](std::size_t index, const std::u16string& name, unsigned char type,
                     std::uint32_t start, std::uint32_t size) {
        const std::size_t at = index * 128;
        for (std::size_t i = 0; i < name.size(); ++i) {
            put(directory, at + 2 * i, name[i], 2);
        }
        put(directory, at + 64, static_cast<std::uint32_t>(2 * (name.size() + 1)), 2);
        directory[at + 66] = static_cast<char>(type);
        for (std::size_t link : {68, 72, 76}) {
            put(directory, at + link, 0xFFFFFFFF, 4);  // no siblings or children
        }
        put(directory, at + 116, start, 4);
        put(directory, at + 120, size, 4);
    };
    entry(0, u"Root Entry", 5, kEnd, 0);
    if (!streams.empty()) {
        put(directory, 76, 1, 4);  // the root's child
    }
    std::string data;
    std::uint32_t next = 2;
    for (std::size_t i = 0; i < streams.size(); ++i) {
        const auto& [name, content] = streams[i];
        const std::uint32_t count = std::max<std::uint32_t>(sectorsOf(content.size()), 1);
        for (std::uint32_t s = 0; s < count; ++s) {
            put(fat, 4 * (next + s), s + 1 == count ? kEnd : next + s + 1, 4);
        }
        entry(i + 1, name, 2, next, static_cast<std::uint32_t>(content.size()));
        if (i + 2 <= streams.size()) {
            put(directory, (i + 1) * 128 + 72, static_cast<std::uint32_t>(i + 2), 4);
        }
        data += content + std::string(count * kSector - content.size(), '\0');
        next += count;
    }
    std::string header(kSector, '\0');
    header.replace(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    put(header, 24, 0x3E, 2);
    put(header, 26, 3, 2);
    put(header, 28, 0xFFFE, 2);
    put(header, 30, 9, 2);
    put(header, 32, 6, 2);
    put(header, 44, 1, 4);  // FAT sectors
    put(header, 48, 1, 4);  // first directory sector
    put(header, 56, 4096, 4);
    put(header, 60, kEnd, 4);
    put(header, 68, kEnd, 4);
    for (std::size_t i = 0; i < 109; ++i) {
        put(header, 76 + 4 * i, i == 0 ? 0 : 0xFFFFFFFF, 4);
    }
    std::ofstream(file, std::ios::binary | std::ios::trunc) << header << fat << directory << data;
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
