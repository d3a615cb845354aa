#include "host/WorkbookFactsCache.h"

namespace pv::host {

std::shared_ptr<WorkbookFacts> WorkbookFactsCache::forFile(const std::filesystem::path& file) {
    const SourceIdentity key = identifySource(file);
    if (!key.exists) {
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
