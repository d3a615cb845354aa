#pragma once
// What the workbook part and its relationships say: the sheets in tab order with their parts,
// the date system, the defined names, and where the shared strings and styles are.
#include <string>
#include <vector>

#include "host/package/Relationships.h"
#include "host/package/SheetInfo.h"

namespace pv::host {

class ZipReader;

struct SheetEntry {
    SheetInfo info;
    // The resolved part name; empty for a sheet without a relationship id, which holds nothing.
    std::string part;
    std::string relationshipId;  // in the workbook's relationships
};

struct DefinedName {
    std::string name;
    int localSheet = -1;  // position in the tab order, -1 for a workbook-wide name
    std::string formula;
};

struct WorkbookModel {
    std::string workbookPart;
    std::vector<Relationship> packageRelationships;
    std::vector<Relationship> workbookRelationships;
    std::vector<SheetEntry> sheets;
    std::vector<DefinedName> names;
    bool date1904 = false;
    std::string sharedStringsPart;  // "" when there is none
    std::string stylesPart;

    static WorkbookModel read(const ZipReader& zip);
};

}  // namespace pv::host
