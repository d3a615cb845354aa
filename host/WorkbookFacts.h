#pragma once
// What the copies of one workbook opened by the same host share: the shared strings, the
// tables each sheet holds and what each sheet's scan learned for extraction. A split reads a
// sheet's used range on one thread and saves the sheet on another; sharing spares the second
// copy a second pass over the sheet and a second copy of the strings. Thread-safe; what it
// hands out never changes.
#include <cstddef>
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

    // Whether a sheet's facts have shown it refers to other sheets: then the workbook's other
    // sheets likely do too, so the pass that learns a sheet's facts for its save rewrites it on
    // the way.
    void noteSheetRefersOut();
    bool sheetsReferOut() const;

  private:
    mutable std::mutex mutex_;
    std::mutex stringsLoad_;
    std::mutex tablesLoad_;
    std::shared_ptr<const SharedStrings> strings_;
    std::shared_ptr<const TableNames> tables_;
    std::map<std::size_t, SheetFacts> sheets_;
    bool refersOut_ = false;
};

}  // namespace pv::host
