#include "host/cells/SharedStrings.h"

#include <algorithm>
#include <cstdint>

#include "host/xml/XmlEmitter.h"
#include "host/xml/XmlEscapes.h"
#include "host/xml/XmlStream.h"
#include "host/zip/ZipReader.h"

namespace pv::host {

namespace {

// The most reserved for the arena ahead of reading; a bigger table grows as it is read.
constexpr std::uint64_t kMaxReserve = 256u << 20;

}  // namespace

class SharedStringsReader : public XmlStream {
  public:
    explicit SharedStringsReader(SharedStrings& table) : table_(table), emitter_(table.arena_) {}

  protected:
    void onStart(const char* name, const char** attributes) override {
        if (depth() == 1) {
            table_.rootName_ = name;
            for (auto a = attributes; *a != nullptr; a += 2) {
                table_.rootAttributes_.emplace_back(a[0], a[1]);
            }
        } else if ((depth() == 2 && localName(name) == "si") || inItem_) {
            inItem_ = true;
            copyStart(emitter_, name, attributes);  // the item kept as the part has it
        }
    }
    void onEnd(const char* name) override {
        if (!inItem_) {
            return;
        }
        copyEnd(emitter_, name);
        if (depth() == 2) {
            inItem_ = false;
            table_.starts_.push_back(table_.arena_.size());
        }
    }
    void onText(const char* text, int length) override {
        if (inItem_ && depth() > 2) {
            copyText(emitter_, std::string_view(text, static_cast<std::size_t>(length)));
        }
    }

  private:
    SharedStrings& table_;
    XmlEmitter emitter_;
    bool inItem_ = false;
};

void SharedStrings::load(const ZipReader& zip, const std::string& part) {
    const auto reset = [&] {
        arena_.clear();
        starts_.assign(1, 0);
        rootName_ = "sst";
        rootAttributes_.clear();
    };
    reset();
    // The items are copied from the part, so its size bounds the arena: reserved at once, the
    // arena never holds a full copy of itself while growing (on a big table, the peak of the
    // whole run). Only address space until written; growth beyond it (the general parser
    // writes items out again) still works.
    if (const ZipEntry* entry = zip.find(part); entry != nullptr) {
        arena_.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(entry->size, kMaxReserve)));
    }
    // The plain reader first, as for sheets; expat for what it declines.
    if (!SharedStringsReader(*this).parsePlain(zip, part)) {
        reset();
        SharedStringsReader(*this).parse(zip, part);
    }
    // Shrinking copies the arena: worth it only for much room left over.
    if (arena_.capacity() - arena_.size() > arena_.size() / 4) {
        arena_.shrink_to_fit();
    }
}

std::string_view SharedStrings::xml(std::size_t index) const {
    return std::string_view(arena_).substr(starts_[index], starts_[index + 1] - starts_[index]);
}

namespace {

class ItemTextCollector : public XmlStream {
  public:
    std::string text;

  protected:
    void onStart(const char* name, const char**) override {
        const auto local = localName(name);
        if (local == "rPh") {
            ++phonetic_;
        } else if (local == "t" && phonetic_ == 0) {
            inText_ = true;
        }
    }
    void onEnd(const char* name) override {
        const auto local = localName(name);
        if (local == "rPh") {
            --phonetic_;
        } else if (local == "t") {
            inText_ = false;
        }
    }
    void onText(const char* s, int length) override {
        if (inText_) {
            text.append(s, static_cast<std::size_t>(length));
        }
    }

  private:
    int phonetic_ = 0;
    bool inText_ = false;
};

}  // namespace

std::string stringItemText(std::string_view itemXml) {
    ItemTextCollector collector;
    collector.parseBuffer(itemXml, "string item");
    return decodeXmlEscapes(collector.text);
}

std::string SharedStrings::text(std::size_t index) const {
    return stringItemText(xml(index));
}

}  // namespace pv::host
