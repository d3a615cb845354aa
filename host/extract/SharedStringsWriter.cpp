#include "host/extract/PartWriters.h"

#include <algorithm>
#include <new>

#include "host/cells/SharedStrings.h"
#include "host/xml/XmlEmitter.h"

namespace pv::host {

StringRenumbering::StringRenumbering(std::size_t tableSize)
    : newIndexes_(static_cast<std::uint32_t*>(
          std::calloc(std::max<std::size_t>(tableSize, 1), sizeof(std::uint32_t)))),
      size_(tableSize) {
    if (!newIndexes_) {
        throw std::bad_alloc();
    }
}

std::optional<std::uint32_t> StringRenumbering::renumber(std::size_t index) {
    if (index >= size_) {
        return std::nullopt;
    }
    std::uint32_t& slot = newIndexes_[index];
    if (slot == 0) {
        order_.push_back(static_cast<std::uint32_t>(index));
        slot = static_cast<std::uint32_t>(order_.size());
    }
    return slot - 1;
}

namespace {

// Writes a table of `count` entries, `entry(i, out)` appending the i-th; handed on in pieces, so
// the table of a big workbook need not be held twice.
template <typename Entry>
void writeTable(const SharedStrings& strings, std::size_t count, Entry entry,
                const std::function<void(std::string_view)>& sink) {
    constexpr std::size_t kPiece = 256 * 1024;
    std::string out;
    XmlEmitter emitter(out);
    emitter.declaration();
    emitter.open(strings.rootName());
    for (const auto& [name, value] : strings.rootAttributes()) {
        if (name != "count" && name != "uniqueCount") {
            emitter.attribute(name, value);
        }
    }
    emitter.attribute("count", std::to_string(count));
    emitter.attribute("uniqueCount", std::to_string(count));
    emitter.raw("");
    for (std::size_t i = 0; i < count; ++i) {
        entry(i, out);
        if (out.size() >= kPiece) {
            sink(out);
            out.clear();
        }
    }
    out.append("</").append(strings.rootName()).append(">");
    sink(out);
}

}  // namespace

void writeSharedStrings(const SharedStrings& strings, const std::vector<bool>& used,
                        const std::function<void(std::string_view)>& sink) {
    const std::string prefix = strings.rootName().substr(0, strings.rootName().size() - 3);
    // Unused entries stay as blanks so the sheet's indexes need not change.
    const std::string blank = "<" + prefix + "si><" + prefix + "t/></" + prefix + "si>";
    writeTable(
        strings, used.size(),
        [&](std::size_t i, std::string& out) {
            out.append(used[i] ? strings.xml(i) : std::string_view(blank));
        },
        sink);
}

void writeSharedStrings(const SharedStrings& strings, const std::vector<std::uint32_t>& order,
                        const std::function<void(std::string_view)>& sink) {
    writeTable(
        strings, order.size(),
        [&](std::size_t i, std::string& out) { out.append(strings.xml(order[i])); }, sink);
}

std::string writeSharedStrings(const SharedStrings& strings, const std::vector<bool>& used) {
    std::string out;
    writeSharedStrings(strings, used, [&](std::string_view piece) { out.append(piece); });
    return out;
}

}  // namespace pv::host
