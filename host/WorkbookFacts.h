#pragma once
// What the copies of one workbook opened by the same host share: the shared strings, the
// tables each sheet holds and what each sheet's scan learned for extraction. A split reads a
// sheet's used range on one thread and saves the sheet on another; sharing spares the second
// copy a second pass over the sheet and a second copy of the strings. Thread-safe; what it
// hands out never changes.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "host/cells/SharedStrings.h"
#include "host/cells/SheetScan.h"
#include "host/refs/SheetScope.h"

namespace pv::host {

class WorkbookFacts {
  public:
    using TableNames = SheetScope::TableNames;

    // The first caller loads (holding the others back until it is done); a failed load is
    // not remembered.
    std::shared_ptr<const SharedStrings> strings(const std::function<SharedStrings()>& load);
    std::shared_ptr<const TableNames> tables(const std::function<TableNames()>& load);

    std::optional<SheetFacts> sheet(std::size_t index) const;
    void remember(std::size_t index, const SheetFacts& facts);

    // Whether a sheet is likely to refer to other sheets, so that the pass that learns its facts
    // for its save should rewrite it on the way: some sheet of the workbook has been seen to,
    // and it was not much smaller. A summary that reads the data sheets says nothing of them,
    // and rewriting a long sheet for nothing costs more than a second pass over it. Sizes are
    // the parts' sizes inflated.
    void noteSheetRefersOut(std::uint64_t partSize);
    bool sheetLikelyRefersOut(std::uint64_t partSize) const;

  private:
    mutable std::mutex mutex_;
    std::mutex stringsLoad_;
    std::mutex tablesLoad_;
    std::shared_ptr<const SharedStrings> strings_;
    std::shared_ptr<const TableNames> tables_;
    std::map<std::size_t, SheetFacts> sheets_;
    std::uint64_t largestReferringOut_ = 0;  // 0 until a sheet refers out
};

}  // namespace pv::host
