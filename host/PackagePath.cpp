#include "host/PackagePath.h"

#include <vector>

namespace pv::host {

std::string partFolder(std::string_view part) {
    const auto slash = part.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(part.substr(0, slash));
}

std::string relationshipsPartOf(std::string_view part) {
    const std::string folder = partFolder(part);
    const auto file = part.substr(folder.empty() ? 0 : folder.size() + 1);
    return (folder.empty() ? std::string() : folder + "/") + "_rels/" + std::string(file) + ".rels";
}

std::string resolveTarget(std::string_view sourcePart, std::string_view target) {
    // Targets are URIs: drop a fragment and undo the common percent escapes of spaces.
    target = target.substr(0, target.find('#'));
    std::string path;
    if (!target.empty() && target.front() == '/') {
        path = std::string(target.substr(1));
    } else {
        const std::string folder = partFolder(sourcePart);
        path = folder.empty() ? std::string(target) : folder + "/" + std::string(target);
    }
    std::string decoded;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '%' && i + 2 < path.size() && path.compare(i + 1, 2, "20") == 0) {
            decoded += ' ';
            i += 2;
        } else {
            decoded += path[i];
        }
    }
    std::vector<std::string> segments;
    std::size_t start = 0;
    while (start <= decoded.size()) {
        const auto end = std::min(decoded.find('/', start), decoded.size());
        const std::string segment = decoded.substr(start, end - start);
        if (segment == "..") {
            if (segments.empty()) {
                return {};
            }
            segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        start = end + 1;
    }
    std::string resolved;
    for (const auto& s : segments) {
        resolved += (resolved.empty() ? "" : "/") + s;
    }
    return resolved;
}

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
