#include "BenchWorkbooks.h"

#include "WorkbookWriter.h"

#include <string>

namespace pv::tools {

namespace {

namespace fs = std::filesystem;

// Rows as real workbooks hold them: a unique key, a label repeated within the sheet, labels
// shared across sheets (so the shared-string table mixes every sheet's text), then numbers.
void writeRows(lxw_worksheet* ws, int sheet, int rows, int columns, lxw_format* money) {
    const int stringColumns = columns / 2;
    const std::string prefix = "s" + std::to_string(sheet) + "-";
    for (int r = 0; r < rows; ++r) {
        const auto row = static_cast<lxw_row_t>(r);
        for (int c = 0; c < columns; ++c) {
            const auto col = static_cast<lxw_col_t>(c);
            if (c == 0) {
                worksheet_write_string(ws, row, col, (prefix + "row" + std::to_string(r)).c_str(),
                                       nullptr);
            } else if (c == 1) {
                worksheet_write_string(
                    ws, row, col, (prefix + "group" + std::to_string(r % 200)).c_str(), nullptr);
            } else if (c < stringColumns) {
                worksheet_write_string(
                    ws, row, col, ("label-" + std::to_string((r * 7 + c) % 1000)).c_str(), nullptr);
            } else if (c % 2 == 0) {
                worksheet_write_number(ws, row, col, r * 3 + c, nullptr);
            } else {
                worksheet_write_number(ws, row, col, (r % 997) * 1.25 + c / 8.0, money);
            }
        }
    }
}

// Not constant-memory mode: that mode writes inline strings, and the workbooks people split
// keep their text in the shared-string table, which is what a split must filter.
void writeWorkbook(const fs::path& path, int sheets, int rows, int columns, int tallRows = 0) {
    WorkbookWriter wb(path);
    lxw_format* money = wb.numberFormat("#,##0.00");
    for (int s = 0; s < sheets; ++s) {
        lxw_worksheet* ws = wb.addSheet("Data" + std::to_string(s + 1));
        writeRows(ws, s, s == 0 && tallRows ? tallRows : rows, columns, money);
    }
    wb.close();
}

}  // namespace

void writeBenchWorkbooks(const fs::path& dir) {
    fs::create_directories(dir / "bench-b-many");
    writeWorkbook(dir / "bench-a-wide.xlsx", 20, 20000, 10);
    for (int i = 1; i <= 100; ++i)
        writeWorkbook(dir / "bench-b-many" / ("book" + std::to_string(i) + ".xlsx"), 5, 200, 8);
    writeWorkbook(dir / "bench-c-tall.xlsx", 4, 50, 6, 500000);
}

}  // namespace pv::tools
