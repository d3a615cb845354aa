#include "host/extract/PartWriters.h"

#include <algorithm>

#include "host/cells/SharedStrings.h"
#include "host/xml/XmlEmitter.h"

namespace pv::host {

std::vector<std::uint32_t> denseStringIndexes(const std::vector<bool>& used) {
    std::vector<std::uint32_t> indexes(used.size(), kUnusedString);
    std::uint32_t next = 0;
    for (std::size_t i = 0; i < used.size(); ++i) {
        if (used[i]) {
            indexes[i] = next++;
        }
    }
    return indexes;
}

void writeSharedStrings(const SharedStrings& strings, const std::vector<bool>& used, bool dense,
                        const std::function<void(std::string_view)>& sink) {
    // Handed on in pieces: the table of a big workbook need not be held twice.
    constexpr std::size_t kPiece = 256 * 1024;
    const std::size_t count =
        dense ? static_cast<std::size_t>(std::count(used.begin(), used.end(), true)) : used.size();
    const std::string prefix = strings.rootName().substr(0, strings.rootName().size() - 3);
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
    // Unused entries stay as blanks so the sheet's indexes need not change.
    const std::string blank = "<" + prefix + "si><" + prefix + "t/></" + prefix + "si>";
    for (std::size_t i = 0; i < used.size(); ++i) {
        if (used[i] || !dense) {
            out.append(used[i] ? strings.xml(i) : std::string_view(blank));
        }
        if (out.size() >= kPiece) {
            sink(out);
            out.clear();
        }
    }
    out.append("</").append(strings.rootName()).append(">");
    sink(out);
}

std::string writeSharedStrings(const SharedStrings& strings, const std::vector<bool>& used,
                               bool dense) {
    std::string out;
    writeSharedStrings(strings, used, dense, [&](std::string_view piece) { out.append(piece); });
    return out;
}

}  // namespace pv::host
