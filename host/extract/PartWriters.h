#pragma once
// The parts of a one-sheet workbook that are written anew rather than copied, one function per
// part. Each takes what it needs (the source part's XML and the facts that cut it down) and
// returns the part's bytes; none reads the package itself. `where` names the source part in
// error descriptions (ZipReader::where).
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace pv::host {

class ContentTypes;
class SharedStrings;
struct SheetInfo;

// [Content_Types].xml: the source's defaults (with one for ".rels" when it had none), and an
// override for each of `parts` (kept parts as stored, in package order) that has one; the
// workbook part's is `workbookType`, the content type of the output's format.
std::string writeContentTypes(const ContentTypes& types, const std::vector<std::string>& parts,
                              std::string_view workbookPart, std::string_view workbookType);

// The workbook part with the one sheet whose relationship id is `sheetRelationshipId`, visible
// and active; the defined names kept by `keptNames` (one flag per name, in order)
// pointed at it; and without pivot caches, custom views, published objects, the extensions
// that point at parts, and external references unless `keepsExternalReferences`.
std::string writeWorkbook(std::string_view xml, const std::string& where,
                          std::string_view sheetRelationshipId, const std::vector<bool>& keptNames,
                          bool keepsExternalReferences);

// Relationship id -> the Target written in place of the source's.
using RelationshipTargets = std::map<std::string, std::string>;

// A relationships part with only the relationships whose ids are in `keptIds` (the workbook's).
std::string writeRelationshipsKeeping(std::string_view xml, const std::string& where,
                                      const std::set<std::string>& keptIds,
                                      const RelationshipTargets& targets = {});
// A relationships part without the relationships whose ids are in `droppedIds`.
std::string writeRelationshipsWithout(std::string_view xml, const std::string& where,
                                      const std::set<std::string>& droppedIds,
                                      const RelationshipTargets& targets = {});
// The package's relationships: the workbook and the document properties only.
std::string writePackageRelationships(std::string_view xml, const std::string& where,
                                      const RelationshipTargets& targets = {});

// The shared strings with the root element as read and the first `used.size()` entries, those
// not `used` left as blanks so that the sheet's indexes stay valid.
std::string writeSharedStrings(const SharedStrings& strings, const std::vector<bool>& used);
// The same, handed to `sink` in pieces.
void writeSharedStrings(const SharedStrings& strings, const std::vector<bool>& used,
                        const std::function<void(std::string_view)>& sink);

// A rewritten sheet's shared strings numbered in the order the sheet first uses them, so that
// one pass over the sheet both renumbers its cells and learns which strings its table needs.
class StringRenumbering {
  public:
    explicit StringRenumbering(std::size_t tableSize);

    // The new index of string `index`, given when first asked; none past the table.
    std::optional<std::uint32_t> renumber(std::size_t index);
    // The source indexes, by new index.
    const std::vector<std::uint32_t>& order() const { return order_; }
    std::vector<std::uint32_t> takeOrder() { return std::move(order_); }

  private:
    struct Free {
        void operator()(std::uint32_t* p) const { std::free(p); }
    };
    // New index + 1 by source index, 0 for a string not met yet. Zeroed pages from calloc, so
    // a sheet that uses a few strings of a big table touches only their part of it.
    std::unique_ptr<std::uint32_t[], Free> newIndexes_;
    std::size_t size_ = 0;
    std::vector<std::uint32_t> order_;
};

// Only the strings `order` lists, in its order (see StringRenumbering), handed to `sink` in
// pieces.
void writeSharedStrings(const SharedStrings& strings, const std::vector<std::uint32_t>& order,
                        const std::function<void(std::string_view)>& sink);

// The application properties (app.xml), listing `sheet` as the workbook's only sheet.
std::string writeAppProperties(std::string_view xml, const std::string& where,
                               const SheetInfo& sheet);
// The core properties (core.xml): a title becomes `sheet`; the subject, keywords, description
// and category go when they name one of `otherSheets`; the rest (creator, dates...) stays.
std::string writeCoreProperties(std::string_view xml, const std::string& where,
                                const std::string& sheet,
                                const std::vector<std::string>& otherSheets);

}  // namespace pv::host
