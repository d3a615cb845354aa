#include "BenchWorkbooks.h"

#include "WorkbookWriter.h"

#include <algorithm>
#include <string>
#include <utility>

namespace pv::tools {

namespace {

namespace fs = std::filesystem;

// The plain number writeRows puts in an even column at or past the strings, by 0-based row.
int plainNumber(int row, int column) {
    return row * 3 + column;
}

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
                worksheet_write_number(ws, row, col, plainNumber(r, c), nullptr);
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

// Sheets the split must rewrite, shaped like the workbooks people keep: a bold header, a number
// format on a few cells, a merged row, a column width, a same-sheet total and one formula that
// reads another sheet (with their cached values); 4 of every 10 columns unique text, one a
// repeated category, the rest numbers. Each workbook also has an empty sheet, a sheet with only
// A1 and a hidden sheet.
struct RewriteFormats {
    lxw_format* bold;
    lxw_format* money;
};

void writeRewriteSheet(lxw_worksheet* ws, int sheet, int rows, int columns,
                       const std::string& otherSheet, const RewriteFormats& formats) {
    const int uniqueColumns = std::max(1, columns * 4 / 10);
    const std::string prefix = "s" + std::to_string(sheet) + "-";
    worksheet_set_column(ws, 0, 0, 24, nullptr);
    for (int c = 0; c < columns; ++c) {
        worksheet_write_string(ws, 0, static_cast<lxw_col_t>(c),
                               ("Column " + std::to_string(c + 1)).c_str(), formats.bold);
    }
    double total = 0;
    const int totalColumn = columns - 1;
    for (int r = 1; r <= rows; ++r) {
        const auto row = static_cast<lxw_row_t>(r);
        for (int c = 0; c < columns; ++c) {
            const auto col = static_cast<lxw_col_t>(c);
            if (c < uniqueColumns) {
                const std::string text =
                    prefix + "c" + std::to_string(c) + "-item" + std::to_string(r);
                worksheet_write_string(ws, row, col, text.c_str(), nullptr);
            } else if (c == uniqueColumns) {
                worksheet_write_string(ws, row, col, ("category-" + std::to_string(r % 12)).c_str(),
                                       nullptr);
            } else {
                const double number = (r % 997) * 1.25 + c;
                if (c == totalColumn) {
                    total += number;
                }
                worksheet_write_number(ws, row, col, number, r <= 5 ? formats.money : nullptr);
            }
        }
    }
    const auto last = static_cast<lxw_row_t>(rows + 1);
    check(worksheet_merge_range(ws, last, 0, last, static_cast<lxw_col_t>(columns - 2), "Total",
                                formats.bold),
          "merged row");
    const std::string column(1, static_cast<char>('A' + totalColumn));
    const std::string sum = "=SUM(" + column + "2:" + column + std::to_string(rows + 1) + ")";
    worksheet_write_formula_num(ws, last, static_cast<lxw_col_t>(totalColumn), sum.c_str(),
                                formats.bold, total);
    // The other sheet's A2 is its first unique text.
    const std::string reach = "='" + otherSheet + "'!A2";
    const std::string cached = "s" + std::to_string(sheet == 0 ? 1 : 0) + "-c0-item1";
    worksheet_write_formula_str(ws, last + 1, 0, reach.c_str(), nullptr, cached.c_str());
}

// `tallRows`, when set, is the first sheet's row count.
void writeRewriteWorkbook(const fs::path& path, int sheets, int rows, int columns,
                          int tallRows = 0) {
    WorkbookWriter wb(path);
    RewriteFormats formats{wb.addFormat(), wb.numberFormat("#,##0.00")};
    format_set_bold(formats.bold);
    for (int s = 0; s < sheets; ++s) {
        lxw_worksheet* ws = wb.addSheet("Data" + std::to_string(s + 1));
        writeRewriteSheet(ws, s, s == 0 && tallRows ? tallRows : rows, columns,
                          s == 0 ? "Data2" : "Data1", formats);
    }
    wb.addSheet("Empty");
    lxw_worksheet* note = wb.addSheet("Note");
    worksheet_write_string(note, 0, 0, "Figures are provisional", nullptr);
    lxw_worksheet* hidden = wb.addSheet("Hidden");
    for (int r = 0; r < 20; ++r) {
        worksheet_write_number(hidden, static_cast<lxw_row_t>(r), 0, r, nullptr);
    }
    worksheet_hide(hidden);
    wb.close();
}

// The shape of most workbooks with a summary: a small sheet of figures read from the data
// sheets after it (cached values), and tall data sheets that refer to no other, which the split
// copies as they are however soon the summary is seen to refer out.
void writeSummaryWorkbook(const fs::path& path, int dataSheets, int rows, int columns) {
    WorkbookWriter wb(path);
    lxw_format* money = wb.numberFormat("#,##0.00");
    lxw_worksheet* summary = wb.addSheet("Summary");
    worksheet_write_string(summary, 0, 0, "Figures from the data sheets", nullptr);
    const int numberColumn = columns / 2 + (columns / 2) % 2;  // a plain number, see writeRows
    const std::string letter(1, static_cast<char>('A' + numberColumn));
    for (int s = 0; s < dataSheets; ++s) {
        for (int r = 1; r <= 20; ++r) {
            const std::string formula =
                "=Data" + std::to_string(s + 1) + "!" + letter + std::to_string(r);
            worksheet_write_formula_num(summary, static_cast<lxw_row_t>(r),
                                        static_cast<lxw_col_t>(s), formula.c_str(), nullptr,
                                        plainNumber(r - 1, numberColumn));
        }
    }
    for (int s = 0; s < dataSheets; ++s) {
        writeRows(wb.addSheet("Data" + std::to_string(s + 1)), s, rows, columns, money);
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
    writeSummaryWorkbook(dir / "bench-d-summary.xlsx", 2, 250000, 6);

    fs::create_directories(dir / "bench-rb-many");
    writeRewriteWorkbook(dir / "bench-ra-wide.xlsx", 20, 20000, 10);
    for (int i = 1; i <= 100; ++i)
        writeRewriteWorkbook(dir / "bench-rb-many" / ("book" + std::to_string(i) + ".xlsx"), 5, 200,
                             8);
    writeRewriteWorkbook(dir / "bench-rc-tall.xlsx", 4, 50, 6, 500000);
}

}  // namespace pv::tools
