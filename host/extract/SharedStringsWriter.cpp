#include "host/extract/PartWriters.h"

#include "host/cells/SharedStrings.h"
#include "host/xml/XmlEmitter.h"

namespace pv::host {

std::string writeSharedStrings(const SharedStrings& strings, const std::vector<bool>& used) {
    const std::size_t count = used.size();
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
    for (std::size_t i = 0; i < count; ++i) {
        out.append(used[i] ? strings.xml(i) : std::string_view(blank));
    }
    out.append("</").append(strings.rootName()).append(">");
    return out;
}

}  // namespace pv::host
