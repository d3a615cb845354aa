#pragma once
// Small packages for engine tests, written part by part with libzip: a valid two- or
// three-sheet workbook to start from, which each test bends into the case it needs.
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace pv::test {

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

// The text of every entry of a package, by name.
std::map<std::string, std::string> readPackage(const std::filesystem::path& file);

}  // namespace pv::test
