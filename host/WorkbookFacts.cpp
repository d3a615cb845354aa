#include "host/WorkbookFacts.h"

#include <algorithm>

namespace pv::host {

namespace {

template <typename T>
std::shared_ptr<const T> loadOnce(std::mutex& guard, std::mutex& loading,
                                  std::shared_ptr<const T>& slot, const std::function<T()>& load) {
    std::lock_guard once(loading);
    {
        std::lock_guard lock(guard);
        if (slot) {
            return slot;
        }
    }
    auto loaded = std::make_shared<const T>(load());
    std::lock_guard lock(guard);
    slot = loaded;
    return loaded;
}

}  // namespace

std::shared_ptr<const SharedStrings> WorkbookFacts::strings(
    const std::function<SharedStrings()>& load) {
    return loadOnce(mutex_, stringsLoad_, strings_, load);
}

std::shared_ptr<const WorkbookFacts::TableNames> WorkbookFacts::tables(
    const std::function<TableNames()>& load) {
    return loadOnce(mutex_, tablesLoad_, tables_, load);
}

std::optional<SheetFacts> WorkbookFacts::sheet(std::size_t index) const {
    std::lock_guard lock(mutex_);
    const auto it = sheets_.find(index);
    if (it == sheets_.end()) {
        return std::nullopt;
    }
    return it->second;
}

void WorkbookFacts::remember(std::size_t index, const SheetFacts& facts) {
    std::lock_guard lock(mutex_);
    sheets_.insert_or_assign(index, facts);
}

void WorkbookFacts::noteSheetRefersOut(std::uint64_t partSize) {
    std::lock_guard lock(mutex_);
    largestReferringOut_ = std::max({largestReferringOut_, partSize, std::uint64_t{1}});
}

bool WorkbookFacts::sheetLikelyRefersOut(std::uint64_t partSize) const {
    // Monthly sheets and the like differ in length, so a quarter of the size still counts as
    // alike.
    constexpr std::uint64_t kAlike = 4;
    std::lock_guard lock(mutex_);
    return largestReferringOut_ != 0 && partSize / kAlike <= largestReferringOut_;
}

}  // namespace pv::host
