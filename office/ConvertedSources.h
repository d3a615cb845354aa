#pragma once
// Source workbooks in formats our engine does not read, converted to .xlsx by LibreOffice:
// the run names its workbooks up front, and the first one opened converts them all in one
// soffice start. Every copy and converted file lives in one private temporary folder, removed
// when the last user of it goes.
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "core/Error.h"
#include "host/SourceIdentity.h"

class QTemporaryDir;

namespace pv::office {

class OfficeConverter;

// A converted workbook; the file stays while this is held.
struct ConvertedFile {
    std::shared_ptr<QTemporaryDir> folder;
    std::filesystem::path file;
};

class ConvertedSources {
  public:
    explicit ConvertedSources(std::shared_ptr<OfficeConverter> converter);
    ~ConvertedSources();

    // Remembers workbooks to convert together with the next one asked for.
    void prepare(const std::vector<std::filesystem::path>& sources);

    // The .xlsx made from `source`, converting it (and every prepared one still waiting) now if
    // need be. Throws pv::Error naming `source` when it cannot be converted.
    ConvertedFile xlsxFor(const std::filesystem::path& source);

  private:
    // What makes a conversion stale: the file's path, size and time of last change.
    using Key = host::SourceIdentity;

    // `source`, with every workbook still waiting unless `source` once broke a batch off.
    std::vector<std::filesystem::path> batchFor(const std::filesystem::path& source,
                                                const Key& key);
    void convertBatch(std::vector<std::filesystem::path> sources);

    std::shared_ptr<OfficeConverter> converter_;
    std::shared_ptr<QTemporaryDir> folder_;
    // Recursive, not plain: a conversion calls the event hook with this held, and the window's
    // hook runs its event handlers on this very thread. None of them reaches this object today
    // (each run makes its own host, and "Start Saving" is ignored while one runs), but one that
    // did must meet OfficeConverter's "still converting" error, not hang the window.
    std::recursive_mutex mutex_;
    std::vector<std::filesystem::path> waiting_;
    std::map<Key, std::filesystem::path> converted_;
    std::map<Key, Error> failures_;
    std::set<Key> setAside_;  // broke a batch off: converted alone when asked for
    int batches_ = 0;
};

}  // namespace pv::office
