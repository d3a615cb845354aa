#pragma once
// A libxlsxwriter workbook that closes itself and turns every library failure into an exception,
// so the generators read as a list of what each workbook holds.
#include <xlsxwriter.h>

#include <filesystem>
#include <string>

namespace pv::tools {

// Throws std::runtime_error naming `what` when libxlsxwriter reports a failure.
void check(lxw_error error, const std::string& what);

class WorkbookWriter {
  public:
    // Starts a workbook at `path`; constant memory writes rows straight to disk (row order only).
    explicit WorkbookWriter(const std::filesystem::path& path, bool constantMemory = false);
    ~WorkbookWriter();
    WorkbookWriter(const WorkbookWriter&) = delete;
    WorkbookWriter& operator=(const WorkbookWriter&) = delete;

    lxw_workbook* get() const { return workbook_; }
    lxw_worksheet* addSheet(const std::string& name);
    lxw_chartsheet* addChartsheet(const std::string& name);
    lxw_format* addFormat();
    lxw_format* numberFormat(const char* format);
    void defineName(const std::string& name, const std::string& formula);
    // Writes the package; the workbook is unusable afterwards.
    void close();

  private:
    std::filesystem::path path_;
    lxw_workbook* workbook_;
};

}  // namespace pv::tools
