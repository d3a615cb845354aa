#include "office/ErrorValueCells.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "host/xml/XmlEmitter.h"
#include "host/xml/XmlStream.h"
#include "host/zip/ZipReader.h"
#include "host/zip/ZipWriter.h"

namespace pv::office {

namespace {

// Each yields its error in LibreOffice and in the programs .xls files are made for, whatever the
// sheet holds.
constexpr std::array<std::pair<std::string_view, std::string_view>, 4> kErrorFormulas = {{
    {"#REF!", "INDIRECT(\"\")"},
    {"#VALUE!", "\"a\"+1"},
    {"#DIV/0!", "1/0"},
    {"#NUM!", "10^400"},
}};

// Copies a worksheet, giving each error value cell without a formula one. A cell's `f` comes
// before its `v`, so both are held until the value is known. An `f` without text that is no
// shared or array formula (LibreOffice writes one for a formula it cannot express) yields
// nothing: it counts as none.
class ErrorCellRewriter : public host::XmlStream {
  public:
    explicit ErrorCellRewriter(std::string& out) : emitter_(out) { emitter_.declaration(); }

    bool changed() const { return changed_; }

  protected:
    void onStart(const char* name, const char** attributes) override {
        const std::string_view local = host::localName(name);
        if (local == "c") {
            const char* type = host::findAttribute(attributes, "t");
            errorCell_ = type != nullptr && std::string_view(type) == "e";
            hasFormula_ = false;
        } else if (errorCell_ && !hasFormula_ && (local == "f" || local == "v")) {
            Held& held = local == "f" ? formula_ : value_;
            held = {name, {}, {}, true};
            for (auto a = attributes; *a != nullptr; a += 2) {
                held.attributes.emplace_back(a[0], a[1]);
            }
            holding_ = &held;
            return;
        }
        emitter_.start(name, attributes);
    }

    void onEnd(const char* name) override {
        if (holding_ == &formula_) {
            holding_ = nullptr;
            if (!isEmptyFormula(formula_)) {
                hasFormula_ = true;
                emit(formula_);
            }
            return;
        }
        if (holding_ == &value_) {
            holding_ = nullptr;
            const std::string_view formula = formulaYielding(value_.text);
            if (!formula.empty()) {
                if (!formula_.open) {
                    formula_ = {value_.name.substr(0, value_.name.size() - 1) + "f", {}, {}, true};
                }
                formula_.text = formula;
                changed_ = true;
            }
            emit(formula_);
            emit(value_);
            return;
        }
        if (host::localName(name) == "c") {
            emit(formula_);  // an empty one, and no value
            errorCell_ = false;
        }
        emitter_.end(name);
    }

    void onText(const char* text, int length) override {
        if (holding_ != nullptr) {
            holding_->text.append(text, static_cast<std::size_t>(length));
        } else {
            emitter_.text(std::string_view(text, static_cast<std::size_t>(length)));
        }
    }

  private:
    struct Held {
        std::string name;
        std::vector<std::pair<std::string, std::string>> attributes;
        std::string text;
        bool open = false;  // held and not written yet
    };

    static bool isEmptyFormula(const Held& formula) {
        for (const auto& [name, value] : formula.attributes) {
            if (name == "t" && value != "normal") {
                return false;
            }
        }
        return formula.text.find_first_not_of(" \t\r\n") == std::string::npos;
    }

    void emit(Held& held) {
        if (!held.open) {
            return;
        }
        held.open = false;
        emitter_.open(held.name);
        for (const auto& [name, value] : held.attributes) {
            emitter_.attribute(name, value);
        }
        if (!held.text.empty()) {
            emitter_.text(held.text);
        }
        emitter_.end(held.name);
    }

    host::XmlEmitter emitter_;
    bool errorCell_ = false;
    bool hasFormula_ = false;
    Held formula_;
    Held value_;
    Held* holding_ = nullptr;
    bool changed_ = false;
};

bool isWorksheetPart(std::string_view name) {
    constexpr std::string_view kFolder = "xl/worksheets/";
    return name.starts_with(kFolder) && name.ends_with(".xml") &&
           name.find('/', kFolder.size()) == std::string_view::npos;
}

}  // namespace

std::string_view formulaYielding(std::string_view error) {
    for (const auto& [known, formula] : kErrorFormulas) {
        if (known == error) {
            return formula;
        }
    }
    return {};
}

std::string withErrorFormulas(const host::ZipReader& zip, const std::string& part) {
    const std::string xml = zip.read(part);
    // Every writer of the workbooks we convert quotes attributes with '"'.
    if (xml.find("t=\"e\"") == std::string::npos) {
        return {};
    }
    std::string out;
    ErrorCellRewriter rewriter(out);
    rewriter.parseBuffer(xml, zip.where(part));
    return rewriter.changed() ? out : std::string();
}

void writeErrorValuesAsFormulas(const std::filesystem::path& file) {
    const host::ZipReader zip(file);
    std::vector<std::pair<std::string, std::string>> rewritten;
    for (const host::ZipEntry& entry : zip.entries()) {
        if (isWorksheetPart(entry.name)) {
            if (std::string xml = withErrorFormulas(zip, entry.name); !xml.empty()) {
                rewritten.emplace_back(entry.name, std::move(xml));
            }
        }
    }
    if (rewritten.empty()) {
        return;
    }
    host::ZipWriter writer(file);
    for (const host::ZipEntry& entry : zip.entries()) {
        const auto found = std::find_if(rewritten.begin(), rewritten.end(),
                                        [&](const auto& part) { return part.first == entry.name; });
        if (found == rewritten.end()) {
            writer.copyRaw(zip, entry.name);
        } else {
            writer.add(entry.name, found->second);
        }
    }
    writer.commit();
}

}  // namespace pv::office
