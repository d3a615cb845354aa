#pragma once
// Sheets LibreOffice has converted into an output format, kept in a private temporary folder
// for the run. soffice starts are costly, so the first conversion into a format takes every
// sheet the run will ask for in it: the rest of the workbook's content sheets and those of the
// run's other workbooks in that format. Every copy of a workbook opened by the run's threads
// finds its converted sheets here.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "host/SourceIdentity.h"
#include "host/SpreadsheetHost.h"

class QTemporaryDir;

namespace pv::office {

class ConvertedSheets {
  public:
    using Opener =
        std::function<std::unique_ptr<host::SourceWorkbook>(const std::filesystem::path&)>;

    ConvertedSheets();
    ~ConvertedSheets();

    // Held while a workbook looks up, converts and stores sheets. Recursive: the lookups and
    // stores below lock it again on the same thread, and the batch calls the event hook (see
    // ConvertedSources on why that needs it too).
    std::recursive_mutex& mutex() { return mutex_; }

    // The run's workbooks, and how to open one of them for its sheets.
    // `runExtension`: the one format every output of the run is in, or "".
    void prepare(const std::vector<std::filesystem::path>& workbooks, Opener open,
                 std::string runExtension = {});
    // Whether every sheet of a run's workbook is likely asked for in `extension`: the run's one
    // output format, or the workbook's own.
    bool batchesWholeWorkbooks(const std::filesystem::path& workbook,
                               const std::string& extension) const;

    // The prepared workbooks other than `asking` whose sheets batchesWholeWorkbooks, each given
    // out once per extension (`asking` counts as given out): a workbook that failed to give its
    // sheets is not tried again before the run reaches it. `batchable`, when given, says which
    // workbooks may join (the others stay for a batch of their own).
    std::vector<std::filesystem::path> companionWorkbooks(
        const std::filesystem::path& asking, const std::string& extension,
        const std::function<bool(const std::filesystem::path&)>& batchable = {});
    // A prepared workbook opened through the run's host; throws as the host does.
    std::unique_ptr<host::SourceWorkbook> open(const std::filesystem::path& workbook) const;

    // Converted, or handed over already: a batch need not take the sheet again.
    bool contains(const std::filesystem::path& source, std::size_t sheet,
                  const std::string& extension) const;
    void add(const std::filesystem::path& source, std::size_t sheet, const std::string& extension,
             const std::filesystem::path& converted);
    // The converted sheet, handed over: the caller removes the file once it is placed.
    std::optional<std::filesystem::path> take(const std::filesystem::path& source,
                                              std::size_t sheet, const std::string& extension);

    // The private folder, made on first use; a failure names `output`.
    std::filesystem::path folder(const std::filesystem::path& output);

  private:
    // A source that changed since its sheet was converted is converted again.
    struct Key {
        host::SourceIdentity source;
        std::size_t sheet = 0;
        std::string extension;
        auto operator<=>(const Key&) const = default;
    };
    static Key keyOf(const std::filesystem::path& source, std::size_t sheet,
                     const std::string& extension);

    mutable std::recursive_mutex mutex_;
    std::unique_ptr<QTemporaryDir> folder_;
    std::map<Key, std::filesystem::path> converted_;
    std::set<Key> handedOver_;
    std::vector<std::filesystem::path> prepared_;
    Opener open_;
    std::string runExtension_;
    std::set<std::pair<std::string, std::string>> givenOut_;  // (path, extension)
};

}  // namespace pv::office
