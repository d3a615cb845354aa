#include "host/package/PackagePath.h"

#include <algorithm>
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
            // Above the root stays at the root, as URI resolution removes dot segments.
            if (!segments.empty()) {
                segments.pop_back();
            }
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

std::string relativeTarget(std::string_view sourcePart, std::string_view part) {
    const auto segments = [](std::string_view path) {
        std::vector<std::string_view> out;
        for (std::size_t start = 0; start < path.size();) {
            const auto end = std::min(path.find('/', start), path.size());
            out.push_back(path.substr(start, end - start));
            start = end + 1;
        }
        return out;
    };
    const std::string folder = partFolder(sourcePart);
    const auto from = segments(folder);
    const auto to = segments(part);
    std::size_t common = 0;
    while (common < from.size() && common + 1 < to.size() && from[common] == to[common]) {
        ++common;
    }
    std::string out;
    for (std::size_t i = common; i < from.size(); ++i) {
        out += "../";
    }
    for (std::size_t i = common; i < to.size(); ++i) {
        for (char c : to[i]) {
            out += c == ' ' ? std::string("%20") : std::string(1, c);
        }
        out += i + 1 < to.size() ? "/" : "";
    }
    return out;
}

}  // namespace pv::host
