#include "WorkbookWriter.h"

#include <stdexcept>

namespace pv::tools {

void check(lxw_error error, const std::string& what) {
    if (error != LXW_NO_ERROR)
        throw std::runtime_error(what + ": " + lxw_strerror(error));
}

WorkbookWriter::WorkbookWriter(const std::filesystem::path& path, bool constantMemory)
    : path_(path) {
    lxw_workbook_options options{};
    options.constant_memory = constantMemory ? LXW_TRUE : LXW_FALSE;
    workbook_ = workbook_new_opt(path.c_str(), &options);
    if (!workbook_)
        throw std::runtime_error(path.string() + ": cannot start a workbook");
}

WorkbookWriter::~WorkbookWriter() {
    // A workbook abandoned on an exception is freed without writing a half-made file.
    if (workbook_)
        lxw_workbook_free(workbook_);
}

lxw_worksheet* WorkbookWriter::addSheet(const std::string& name) {
    lxw_worksheet* sheet = workbook_add_worksheet(workbook_, name.c_str());
    if (!sheet)
        throw std::runtime_error(path_.string() + ": cannot add sheet " + name);
    return sheet;
}

lxw_chartsheet* WorkbookWriter::addChartsheet(const std::string& name) {
    lxw_chartsheet* sheet = workbook_add_chartsheet(workbook_, name.c_str());
    if (!sheet)
        throw std::runtime_error(path_.string() + ": cannot add chart sheet " + name);
    return sheet;
}

lxw_format* WorkbookWriter::addFormat() {
    return workbook_add_format(workbook_);
}

lxw_format* WorkbookWriter::numberFormat(const char* format) {
    lxw_format* f = addFormat();
    format_set_num_format(f, format);
    return f;
}

void WorkbookWriter::defineName(const std::string& name, const std::string& formula) {
    check(workbook_define_name(workbook_, name.c_str(), formula.c_str()),
          path_.string() + ": name " + name);
}

void WorkbookWriter::close() {
    lxw_workbook* workbook = workbook_;
    workbook_ = nullptr;
    check(workbook_close(workbook), path_.string());
}

}  // namespace pv::tools
