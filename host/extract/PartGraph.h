#pragma once
// Which parts of the source make the one-sheet workbook: the sheet's part and everything its
// relationships reach; the workbook-level parts it needs (styles, theme, shared strings, and
// external links, cell metadata, comment authors and connections when it uses them); the
// workbook and the package's own parts. And which of them are written anew rather than copied,
// with what each rewrite needs. Reads relationships only; writes nothing.
#include <cstddef>
#include <set>
#include <string>
#include <vector>

namespace pv::host {

class SheetScope;
struct ExtractionSource;
struct SheetFacts;

struct PartRewrite {
    enum class Kind {
        Sheet,  // formulas and links to other sheets cut; references to droppedRelationships go
        // Formulas that point at other sheets cut, when the part has any:
        Chart,
        ChartEx,
        ControlProperties,
        PivotCacheSource,
        VmlControlLinks,
        Persons,        // only the authors threadedComments name
        Connections,    // only those queryTables use
        Relationships,  // without droppedRelationships
        Workbook,
        WorkbookRelationships,
        SharedStrings,
        PackageRelationships,
        AppProperties,
    };
    Kind kind;
    std::string part;  // as written in the output
    std::set<std::string> droppedRelationships;
    std::vector<std::string> threadedComments;
    std::vector<std::string> queryTables;
};

struct PartGraph {
    // The kept parts as the package spells them, in package order.
    std::vector<std::string> parts;
    // In the order decided; a later rewrite of the same part takes the place of an earlier one.
    std::vector<PartRewrite> rewrites;
    // Ids of the workbook's relationships that stay.
    std::set<std::string> keptWorkbookRelationships;
    // Whether the external links stay: the sheet or a kept name refers to another workbook.
    bool keepsExternalLinks = false;
};

// Throws when a relationship loops back or reaches a part of another sheet, and when the
// workbook's or the package's relationships are missing.
PartGraph buildPartGraph(const ExtractionSource& source, std::size_t sheet, const SheetFacts& scan,
                         const SheetScope& scope);

}  // namespace pv::host
