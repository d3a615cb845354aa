#include "host/zip/EntryNames.h"

namespace pv::host {

bool isSafePartName(std::string_view name) {
    if (name.empty() || name.front() == '/') {
        return false;
    }
    std::size_t start = 0;
    while (start <= name.size()) {
        const auto end = std::min(name.find('/', start), name.size());
        const auto segment = name.substr(start, end - start);
        // A trailing "/" marks a folder entry; any other empty segment is unsafe.
        if ((segment.empty() && end != name.size()) || segment == "." || segment == "..") {
            return false;
        }
        start = end + 1;
    }
    for (const unsigned char ch : name) {
        if (ch < 0x20 || ch == '\\' || ch == 0x7f) {
            return false;
        }
    }
    return name.find(':') == std::string_view::npos;
}

std::string lowercase(std::string_view text) {
    std::string out(text);
    for (auto& ch : out) {
        if (ch >= 'A' && ch <= 'Z') {
            ch = static_cast<char>(ch - 'A' + 'a');
        }
    }
    return out;
}

std::string lowercaseExtension(std::string_view path) {
    const auto slash = path.find_last_of("/\\");
    const auto dot = path.rfind('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) {
        return {};
    }
    return lowercase(path.substr(dot));
}

}  // namespace pv::host
