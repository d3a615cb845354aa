#include "host/extract/SheetRewriter.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <set>
#include <vector>

#include "host/cells/HyperlinkLocation.h"
#include "host/cells/SheetScan.h"
#include "host/extract/CachedConstants.h"
#include "host/extract/OtherSheetCells.h"
#include "host/extract/PartWriters.h"
#include "host/refs/SheetRange.h"
#include "host/refs/SheetScope.h"
#include "host/xml/XmlEmitter.h"
#include "host/xml/XmlStream.h"
#include "host/zip/DeflateStream.h"
#include "host/zip/ZipReader.h"

namespace pv::host {

namespace {

using Attributes = std::vector<std::pair<std::string, std::string>>;

Attributes copyAttributes(const char** attributes) {
    Attributes out;
    for (auto a = attributes; *a != nullptr; a += 2) {
        out.emplace_back(a[0], a[1]);
    }
    return out;
}

// As copyAttributes, into storage kept from the last cell: this runs for every cell.
void assignAttributes(Attributes& out, const char** attributes) {
    std::size_t n = 0;
    for (auto a = attributes; *a != nullptr; a += 2, ++n) {
        if (n < out.size()) {
            out[n].first.assign(a[0]);
            out[n].second.assign(a[1]);
        } else {
            out.emplace_back(a[0], a[1]);
        }
    }
    out.resize(n);
}

// Elements kept or dropped as a whole, and the containers that go when they lose them all.
bool isFilteredItem(std::string_view local) {
    return local == "hyperlink" || local == "dataValidation" || local == "cfRule" ||
           local == "slicer" || local == "timelineRef";
}
bool isFilteredContainer(std::string_view local) {
    // An extension holding only a dropped container would be left empty, which is invalid.
    return local == "hyperlinks" || local == "dataValidations" ||
           local == "conditionalFormatting" || local == "conditionalFormattings" ||
           local == "slicerList" || local == "timelineRefs" || local == "ext";
}
bool holdsFormula(std::string_view local) {
    return local == "formula" || local == "formula1" || local == "formula2" || local == "f";
}

class SheetRewriterStream : public XmlStream {
  public:
    SheetRewriterStream(const SheetScope& scope, const std::set<std::string>& dropped,
                        OtherSheetCells* otherSheets, StringRenumbering* strings,
                        DeflateStream& sink, std::string& out)
        : sink_(sink),
          scope_(scope),
          dropped_(dropped),
          otherSheets_(otherSheets),
          strings_(strings),
          out_(out),
          emitter_(out) {
        emitter_.declaration();
    }

    // Hands what is written so far to the deflater.
    void flush() {
        sink_.write(out_);
        out_.clear();
    }

  protected:
    void onStart(const char* name, const char** attributes) override {
        const auto local = localName(name);
        if (inCell_) {
            cellStart(local, name, attributes);
            return;
        }
        if (local == "sheetData") {
            inSheetData_ = true;
        } else if (inSheetData_ && local == "c") {
            inCell_ = true;
            cellDepth_ = depth();
            cellName_ = name;
            assignAttributes(cellAttributes_, attributes);
            const char* type = findAttribute(attributes, "t");
            sharedStringCell_ =
                strings_ != nullptr && type != nullptr && std::string_view(type) == "s";
            formula_.clear();
            value_.clear();
            hasFormula_ = hasValue_ = false;
            sharedIndex_.clear();
            // Written on as it is read: a cell whose formula turns out to reach another sheet
            // is taken back and written again as its value.
            cellOut_ = frames_.empty() ? &out_ : &frames_.back().body;
            cellStart_ = cellOut_->size();
            copyStart(emitter_, name, attributes);
            return;
        }
        if (!inSheetData_ && (isFilteredItem(local) || isFilteredContainer(local))) {
            frames_.push_back(Frame{name, copyAttributes(attributes), {}, false, 0, 0, depth()});
            emitter_.redirect(frames_.back().body);
            if (local == "hyperlink") {
                if (const char* location = internalLocation(attributes)) {
                    frames_.back().foreign = scope_.isForeign(location);
                }
            } else if (local == "slicer" || local == "timelineRef") {
                const char* id = findAttributeLocal(attributes, "id");
                frames_.back().foreign = id != nullptr && dropped_.count(id) != 0;
            }
            return;
        }
        if (!inSheetData_ && !frames_.empty() && holdsFormula(local)) {
            collecting_ = true;
            deferText_ = true;  // written at its end, perhaps made to stand alone
            text_.clear();
            if (local != "f") {
                formulaSlot_ = std::string(local);
            }
        }
        if (local == "controlPr") {
            // A form control linked to another sheet's cells keeps working, unlinked.
            emitter_.open(name);
            for (const auto& [n, v] : copyAttributes(attributes)) {
                if ((n != "linkedCell" && n != "listFillRange") || !scope_.isForeign(v)) {
                    emitter_.attribute(n, v);
                }
            }
            return;
        }
        if (local == "sheetView") {
            // The only sheet is the selected one.
            Attributes attrs = copyAttributes(attributes);
            emitter_.open(name);
            bool selected = false;
            for (auto& [n, v] : attrs) {
                if (n == "tabSelected") {
                    v = "1";
                    selected = true;
                }
                emitter_.attribute(n, v);
            }
            if (!selected) {
                emitter_.attribute("tabSelected", "1");
            }
            return;
        }
        copyStart(emitter_, name, attributes);
    }

    void onEnd(const char* name) override {
        const auto local = localName(name);
        if (inCell_) {
            if (local == "c" && depth() == cellDepth_) {
                endCell();
                return;
            }
            cellEnd(local, name);
            return;
        }
        if (local == "sheetData") {
            inSheetData_ = false;
        }
        if (collecting_ && holdsFormula(local)) {
            collecting_ = false;
            deferText_ = false;
            std::string formula = std::move(text_);
            if (scope_.isForeign(formula)) {
                auto standalone = standaloneFormula(formula);
                if (standalone && !scope_.isForeign(*standalone)) {
                    formula = std::move(*standalone);
                } else {
                    for (auto& frame : frames_) {
                        frame.foreign = frame.foreign || isFilteredItem(localName(frame.name));
                    }
                }
            }
            emitter_.text(formula);
        }
        if (!frames_.empty() && frames_.back().name == name && frames_.back().depth == depth()) {
            closeFrame();
            return;
        }
        copyEnd(emitter_, name);
        if (out_.size() >= kFlushSize && frames_.empty()) {
            flush();
        }
    }

    void onText(const char* text, int length) override {
        const std::string_view s(text, static_cast<std::size_t>(length));
        if (collecting_) {
            text_.append(s);
        }
        if (!renumbering_ && !deferText_) {
            copyText(emitter_, s);
        }
    }

  private:
    struct Frame {
        std::string name;
        Attributes attributes;
        std::string body;
        bool foreign;
        int keptItems;
        int droppedItems;
        int depth;
    };

    // A foreign formula of the innermost validation or rule, made of other sheets' values.
    std::optional<std::string> standaloneFormula(const std::string& formula) const {
        if (otherSheets_ == nullptr) {
            return std::nullopt;
        }
        const Frame* item = nullptr;
        for (auto it = frames_.rbegin(); it != frames_.rend() && item == nullptr; ++it) {
            if (isFilteredItem(localName(it->name))) {
                item = &*it;
            }
        }
        if (item == nullptr || localName(item->name) == "hyperlink") {
            return std::nullopt;
        }
        const bool list =
            localName(item->name) == "dataValidation" && formulaSlot_ == "formula1" &&
            std::any_of(item->attributes.begin(), item->attributes.end(),
                        [](const auto& a) { return a.first == "type" && a.second == "list"; });
        if (list) {
            if (auto explicitList = explicitListFor(formula, scope_, *otherSheets_)) {
                return explicitList;
            }
        }
        return withCellNamesAsValues(formula, scope_, *otherSheets_);
    }

    void cellStart(std::string_view local, const char* name, const char** attributes) {
        if (depth() == cellDepth_ + 1 && local == "f") {
            hasFormula_ = true;
            collecting_ = true;
            text_.clear();
            const char* t = findAttribute(attributes, "t");
            const char* si = findAttribute(attributes, "si");
            if (t != nullptr && std::string_view(t) == "shared" && si != nullptr) {
                sharedIndex_ = si;
            }
        } else if (depth() == cellDepth_ + 1 && local == "v") {
            hasValue_ = true;
            collecting_ = true;
            renumbering_ = sharedStringCell_;
            text_.clear();
        }
        copyStart(emitter_, name, attributes);
    }

    void cellEnd(std::string_view local, const char* name) {
        if (depth() == cellDepth_ + 1 && local == "f") {
            formula_ = text_;
            collecting_ = false;
        } else if (depth() == cellDepth_ + 1 && local == "v") {
            value_ = text_;
            collecting_ = false;
            if (renumbering_) {
                renumbering_ = false;
                renumber(value_);
                emitter_.text(value_);
            }
        }
        copyEnd(emitter_, name);
    }

    void endCell() {
        inCell_ = false;
        bool foreign = false;
        if (hasFormula_) {
            if (!formula_.empty()) {
                foreign = scope_.isForeign(formula_);
                if (foreign && !sharedIndex_.empty()) {
                    foreignShared_.insert(sharedIndex_);
                }
            } else {
                foreign = !sharedIndex_.empty() && foreignShared_.count(sharedIndex_) != 0;
            }
        }
        if (!foreign) {
            copyEnd(emitter_, cellName_.c_str());  // the cell's own end tag
            return;
        }
        // A formula was read, so the start tag is closed: nothing of the cell is pending.
        cellOut_->resize(cellStart_);
        writeValueCell();
    }

    // The same test of the index as the sheet scan's, which checked it against the table.
    void renumber(std::string& value) const {
        if (const auto index = sharedStringIndex(value)) {
            if (const auto renumbered = strings_->renumber(*index)) {
                value = std::to_string(*renumbered);
            }
        }
    }

    // The cell with its cached value and without its formula.
    void writeValueCell() {
        if (!hasValue_) {
            readReferencedValue();
        }
        std::string type;
        emitter_.open(cellName_);
        for (const auto& [n, v] : cellAttributes_) {
            if (n == "cm") {
                continue;  // the dynamic-array metadata belonged to the formula
            }
            if (n == "t") {
                type = v;
                if (!hasValue_ || v == "str") {
                    continue;
                }
            }
            emitter_.attribute(n, v);
        }
        const std::string prefix = cellName_.substr(0, cellName_.size() - 1);
        if (hasValue_ && type == "str") {
            emitter_.attribute("t", "inlineStr");
            emitter_.raw("<" + prefix + "is><" + prefix + "t xml:space=\"preserve\">");
            emitter_.text(value_);
            emitter_.raw("</" + prefix + "t></" + prefix + "is>");
        } else if (hasValue_) {
            emitter_.raw("<" + prefix + "v>");
            emitter_.text(value_);
            emitter_.raw("</" + prefix + "v>");
        }
        emitter_.end(cellName_);
    }

    // A formula that is only a reference to another sheet's cell and was saved without its
    // result (as some writers do) shows that cell's value.
    void readReferencedValue() {
        const auto range = otherSheets_ != nullptr ? parseSheetRange(formula_) : std::nullopt;
        if (!range || range->first != range->last) {
            return;
        }
        const CachedCell cell = otherSheets_->cell(range->sheet, range->first);
        using Kind = CachedCell::Kind;
        if (cell.kind == Kind::Empty) {
            return;
        }
        static constexpr std::pair<Kind, const char*> kTypes[] = {
            {Kind::Number, "n"}, {Kind::Text, "str"}, {Kind::Boolean, "b"}, {Kind::Error, "e"}};
        std::erase_if(cellAttributes_, [](const auto& a) { return a.first == "t"; });
        for (const auto& [kind, type] : kTypes) {
            if (kind == cell.kind) {
                cellAttributes_.emplace_back("t", type);
            }
        }
        hasValue_ = true;
        value_ = cell.value;
    }

    void closeFrame() {
        Frame frame = std::move(frames_.back());
        frames_.pop_back();
        std::string& parent = frames_.empty() ? out_ : frames_.back().body;
        emitter_.redirect(parent);
        const auto local = localName(frame.name);
        const bool drop =
            isFilteredItem(local) ? frame.foreign : frame.keptItems == 0 && frame.droppedItems > 0;
        if (!frames_.empty()) {
            ++(drop ? frames_.back().droppedItems : frames_.back().keptItems);
        }
        if (drop) {
            return;
        }
        emitter_.open(frame.name);
        for (const auto& [n, v] : frame.attributes) {
            emitter_.attribute(n, n == "count" ? std::to_string(frame.keptItems) : v);
        }
        if (!frame.body.empty()) {
            emitter_.raw(frame.body);
        }
        emitter_.end(frame.name);
    }

    static constexpr std::size_t kFlushSize = 256 * 1024;
    DeflateStream& sink_;
    const SheetScope& scope_;
    const std::set<std::string>& dropped_;
    OtherSheetCells* otherSheets_;
    StringRenumbering* strings_;
    std::string& out_;
    XmlEmitter emitter_;
    std::vector<Frame> frames_;
    bool inSheetData_ = false;
    bool inCell_ = false;
    bool collecting_ = false;
    bool deferText_ = false;
    std::string formulaSlot_;  // formula1, formula2 or formula: where the text is
    bool hasFormula_ = false;
    bool hasValue_ = false;
    bool sharedStringCell_ = false;
    bool renumbering_ = false;
    int cellDepth_ = 0;
    std::string cellName_;
    Attributes cellAttributes_;
    std::string* cellOut_ = nullptr;  // where the cell is written
    std::size_t cellStart_ = 0;       // and where in it the cell begins
    std::string text_;
    std::string formula_;
    std::string value_;
    std::string sharedIndex_;
    std::set<std::string> foreignShared_;
};

// A rewrite that gives each event to a scan as well.
class FactsGatheringRewriter : public SheetRewriterStream {
  public:
    FactsGatheringRewriter(SheetScanEvents& facts, const SheetScope& scope,
                           const std::set<std::string>& dropped, OtherSheetCells* otherSheets,
                           StringRenumbering* strings, DeflateStream& sink, std::string& out)
        : SheetRewriterStream(scope, dropped, otherSheets, strings, sink, out), facts_(facts) {}

  protected:
    void onStart(const char* name, const char** attributes) override {
        facts_.start(name, attributes);
        SheetRewriterStream::onStart(name, attributes);
    }
    void onEnd(const char* name) override {
        facts_.end(name);
        SheetRewriterStream::onEnd(name);
    }
    void onText(const char* text, int length) override {
        facts_.text(text, length);
        SheetRewriterStream::onText(text, length);
    }

  private:
    SheetScanEvents& facts_;
};

}  // namespace

bool rewriteSheet(const ZipReader& zip, const std::string& part, const SheetScope& scope,
                  const std::set<std::string>& droppedRelationships, OtherSheetCells* otherSheets,
                  StringRenumbering* strings, DeflateStream& out, SheetScanEvents* facts) {
    std::string pending;
    if (facts != nullptr) {
        FactsGatheringRewriter plain(*facts, scope, droppedRelationships, otherSheets, strings, out,
                                     pending);
        if (!plain.parsePlain(zip, part)) {
            return false;
        }
        plain.flush();
        return true;
    }
    {
        SheetRewriterStream plain(scope, droppedRelationships, otherSheets, strings, out, pending);
        if (plain.parsePlain(zip, part)) {
            plain.flush();
            return true;
        }
    }
    out.reset();
    pending.clear();
    SheetRewriterStream stream(scope, droppedRelationships, otherSheets, strings, out, pending);
    stream.parse(zip, part);
    stream.flush();
    return true;
}

}  // namespace pv::host
