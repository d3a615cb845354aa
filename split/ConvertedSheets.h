#pragma once
// Sheets LibreOffice has converted into an output format, kept in a private temporary folder
// for the run: every copy of a workbook opened by the run's threads finds them here, so a sheet
// is converted once, and a workbook's sheets go through LibreOffice together.
#include <cstddef>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>

class QTemporaryDir;

namespace pv::split {

class ConvertedSheets {
  public:
    ConvertedSheets();
    ~ConvertedSheets();

    // Held while a workbook looks up, converts and stores its sheets. Recursive: the window's
    // events run while soffice works.
    std::recursive_mutex& mutex() { return mutex_; }

    std::optional<std::filesystem::path> find(const std::filesystem::path& source,
                                              std::size_t sheet,
                                              const std::string& extension) const;
    void add(const std::filesystem::path& source, std::size_t sheet, const std::string& extension,
             const std::filesystem::path& converted);

    // The private folder, made on first use; a failure names `output`.
    std::filesystem::path folder(const std::filesystem::path& output);

  private:
    using Key = std::tuple<std::string, std::size_t, std::string>;
    static Key keyOf(const std::filesystem::path& source, std::size_t sheet,
                     const std::string& extension);

    std::recursive_mutex mutex_;
    std::unique_ptr<QTemporaryDir> folder_;
    std::map<Key, std::filesystem::path> converted_;
};

}  // namespace pv::split
