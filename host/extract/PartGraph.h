#pragma once
// Which parts of the source make the one-sheet workbook: the sheet's part and everything its
// relationships reach; the workbook-level parts it needs (styles, theme, shared strings, and
// external links, cell metadata, comment authors and connections when it uses them); the
// workbook and the package's own parts. And which of them are written anew rather than copied,
// with what each rewrite needs. Reads relationships only; writes nothing.
#include <cstddef>
#include <map>
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
        // Formulas that point at other sheets cut, when the part has any (charts also lose the
        // hyperlinks that use droppedRelationships):
        Chart,
        ChartEx,
        Table,
        ControlProperties,
        PivotCacheSource,
        VmlControlLinks,
        Persons,        // only the authors threadedComments name
        Connections,    // only those queryTables use
        Links,          // a drawing without the links that use droppedRelationships
        Relationships,  // without droppedRelationships, with `targets`
        Workbook,
        WorkbookRelationships,
        SharedStrings,
        PackageRelationships,
        AppProperties,
        CoreProperties,
    };
    Kind kind;
    std::string part;  // as the package spells it
    std::set<std::string> droppedRelationships;
    std::vector<std::string> threadedComments;
    // Relationship id -> the Target written instead: the part as the package spells it, where
    // the source's Target spells it in another case.
    std::map<std::string, std::string> targets;
    std::vector<std::string> queryTables;
};

struct PartGraph {
    // The kept parts as the package spells them, in package order.
    std::vector<std::string> parts;
    // A kept part -> its name in the output, where that is not the package's spelling: each part
    // has one spelling, and a relationships part is named after its source part's.
    std::map<std::string, std::string> renamed;
    // In the order decided; a later rewrite of the same part takes the place of an earlier one.
    std::vector<PartRewrite> rewrites;
    // Ids of the workbook's relationships that stay.
    std::set<std::string> keptWorkbookRelationships;
    // Whether the external links stay: the sheet or a kept name refers to another workbook.
    bool keepsExternalLinks = false;

    const std::string& outputName(const std::string& part) const {
        const auto it = renamed.find(part);
        return it == renamed.end() ? part : it->second;
    }
};

// Throws when a relationship loops back or reaches a part of another sheet, and when the
// workbook's or the package's relationships are missing.
PartGraph buildPartGraph(const ExtractionSource& source, std::size_t sheet, const SheetFacts& scan,
                         const SheetScope& scope);

}  // namespace pv::host
