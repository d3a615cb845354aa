#pragma once
// Small packages for engine tests, written part by part with libzip: a valid two- or
// three-sheet workbook to start from, which each test bends into the case it needs.
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace pv::test {

// The XML declaration and the namespaces every part of a package spells out.
inline const std::string kHead = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)";
inline const std::string kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
inline const std::string kRel =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
inline const std::string kPkg = "http://schemas.openxmlformats.org/package/2006/relationships";

struct PackagePart {
    std::string name;
    std::string data;
    bool stored = false;  // no compression
};

// Writes the parts in order; raw names (duplicates, unsafe names) are written as given.
void writePackage(const std::filesystem::path& file, const std::vector<PackagePart>& parts);

// A workbook of sheets "Alpha", "Beta" (hidden) and "Gamma" with shared strings, a cross-sheet
// formula, a 3-D formula, shared formulas and defined names; each sheet holds a marker text
// no other sheet holds ("MarkerAlpha"...).
std::vector<PackagePart> sampleWorkbookParts();

// Replaces (or adds) one part.
void setPart(std::vector<PackagePart>& parts, const std::string& name, std::string data);
// The data of one part, to edit in place; throws when there is no such part.
std::string& partData(std::vector<PackagePart>& parts, const std::string& name);
// Replaces the first `from` in one part by `to`; throws when the part or the text is missing.
void replaceInPart(std::vector<PackagePart>& parts, const std::string& name,
                   const std::string& from, const std::string& to);

// Rewrites an archive written by writePackage (no zip64, no comment) the way other writers lay
// theirs out, keeping its central directory true to the data.
struct ArchiveEdit {
    // Local headers flag a data descriptor and hold CRC 0 and compressed size 0 (the real
    // uncompressed size stays); a signed descriptor follows each entry's data.
    bool dataDescriptors = false;
    int localTimeSkew = 0;  // seconds (even) added to each local header's modification time
    // When nonzero, that entry's central record points at entry 0's bytes instead of its own.
    std::size_t overlapWithFirst = 0;
    bool wrongCrc = false;        // every CRC, in both headers, off by one
    std::string wrongCrcOf = {};  // when set, that entry's CRC alone is off by one
    // Bytes added to the last entry's compressed size in the central directory.
    std::uint32_t lastEntryReach = 0;
};
void editArchive(const std::filesystem::path& file, const ArchiveEdit& edit);

// A compound file (512-byte sectors) holding these streams, each in sectors of its own.
void writeCompoundFile(const std::filesystem::path& file,
                       const std::vector<std::pair<std::u16string, std::string>>& streams);

// The text of every entry of a package, by name.
std::map<std::string, std::string> readPackage(const std::filesystem::path& file);

}  // namespace pv::test
