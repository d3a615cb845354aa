#include "host/WorkbookFactsCache.h"

#include <system_error>

namespace pv::host {

namespace {

// Path, size and modification time: a different file, or the same file changed, is another key.
std::string keyOf(const std::filesystem::path& file) {
    std::error_code ec;
    const auto canonical = std::filesystem::canonical(file, ec);
    if (ec) {
        return {};
    }
    const auto size = std::filesystem::file_size(canonical, ec);
    if (ec) {
        return {};
    }
    const auto time = std::filesystem::last_write_time(canonical, ec);
    if (ec) {
        return {};
    }
    return canonical.string() + '\n' + std::to_string(size) + '\n' +
           std::to_string(time.time_since_epoch().count());
}

}  // namespace

std::shared_ptr<WorkbookFacts> WorkbookFactsCache::forFile(const std::filesystem::path& file) {
    const std::string key = keyOf(file);
    if (key.empty()) {
        return std::make_shared<WorkbookFacts>();
    }
    std::lock_guard lock(mutex_);
    std::erase_if(open_, [](const auto& entry) { return entry.second.expired(); });
    if (auto facts = open_[key].lock()) {
        return facts;
    }
    auto facts = std::make_shared<WorkbookFacts>();
    open_[key] = facts;
    return facts;
}

}  // namespace pv::host
