#pragma once
// The facts of the workbooks a host has open, by file: a workbook opened again while another
// copy is open (by another thread of the same run) finds what the first copy learned. The
// facts go with the last copy, so nothing outlives the workbooks. A file whose size or time
// changed is another entry. Thread-safe.
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>

#include "host/SourceIdentity.h"
#include "host/WorkbookFacts.h"

namespace pv::host {

class WorkbookFactsCache {
  public:
    // Fresh facts, not shared, when the file cannot be identified.
    std::shared_ptr<WorkbookFacts> forFile(const std::filesystem::path& file);

  private:
    std::mutex mutex_;
    std::map<SourceIdentity, std::weak_ptr<WorkbookFacts>> open_;
};

}  // namespace pv::host
