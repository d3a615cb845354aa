#include "host/WorkbookFacts.h"

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

void WorkbookFacts::keepPrepared(std::size_t index, PreparedSheet prepared) {
    const std::size_t bytes = prepared.part.bytes.size() + 4 * prepared.stringOrder.size();
    std::lock_guard lock(mutex_);
    if (preparedBytes_ + bytes > kPreparedBudget || prepared_.count(index) != 0) {
        return;
    }
    preparedBytes_ += bytes;
    prepared_.emplace(index, std::move(prepared));
}

std::optional<PreparedSheet> WorkbookFacts::takePrepared(std::size_t index) {
    std::lock_guard lock(mutex_);
    const auto it = prepared_.find(index);
    if (it == prepared_.end()) {
        return std::nullopt;
    }
    PreparedSheet prepared = std::move(it->second);
    prepared_.erase(it);
    preparedBytes_ -= prepared.part.bytes.size() + 4 * prepared.stringOrder.size();
    return prepared;
}

bool WorkbookFacts::hasRoomToPrepare() const {
    std::lock_guard lock(mutex_);
    return preparedBytes_ < kPreparedBudget;
}

void WorkbookFacts::noteSheetRefersOut() {
    std::lock_guard lock(mutex_);
    refersOut_ = true;
}

void WorkbookFacts::noteSavedAsPackage() {
    std::lock_guard lock(mutex_);
    savedAsPackage_ = true;
}

bool WorkbookFacts::worthPreparing() const {
    std::lock_guard lock(mutex_);
    return refersOut_ && savedAsPackage_;
}

}  // namespace pv::host
