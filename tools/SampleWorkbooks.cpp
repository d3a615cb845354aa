#include "SampleWorkbooks.h"

#include "PngImage.h"
#include "WorkbookWriter.h"

#include <string>

namespace pv::tools {

namespace {

struct SalesRow {
    const char* month;
    lxw_datetime date;
    double units;
    double price;
};

// A regional sales block: dates, thousands, currency and a revenue formula with its value.
void writeSalesTable(WorkbookWriter& wb, lxw_worksheet* ws, const SalesRow* rows, int count) {
    lxw_format* bold = wb.addFormat();
    format_set_bold(bold);
    lxw_format* date = wb.numberFormat("yyyy-mm-dd");
    lxw_format* units = wb.numberFormat("#,##0");
    lxw_format* money = wb.numberFormat("$#,##0.00");
    const char* headers[] = {"Month", "Date", "Units", "Price", "Revenue"};
    for (int c = 0; c < 5; ++c)
        worksheet_write_string(ws, 4, c, headers[c], bold);
    for (int i = 0; i < count; ++i) {
        const lxw_row_t r = static_cast<lxw_row_t>(5 + i);
        const SalesRow& row = rows[i];
        worksheet_write_string(ws, r, 0, row.month, nullptr);
        lxw_datetime day = row.date;
        worksheet_write_datetime(ws, r, 1, &day, date);
        worksheet_write_number(ws, r, 2, row.units, units);
        worksheet_write_number(ws, r, 3, row.price, money);
        const std::string formula = "=C" + std::to_string(r + 1) + "*D" + std::to_string(r + 1);
        worksheet_write_formula_num(ws, r, 4, formula.c_str(), money, row.units * row.price);
    }
    worksheet_set_column(ws, 0, 0, 12, nullptr);
    worksheet_set_column(ws, 1, 4, 14, nullptr);
}

void addRevenueChart(WorkbookWriter& wb, lxw_worksheet* ws, const std::string& sheet, int count,
                     const char* title) {
    lxw_chart* chart = workbook_add_chart(wb.get(), LXW_CHART_COLUMN);
    const std::string last = std::to_string(5 + count);
    const std::string categories = "='" + sheet + "'!$A$6:$A$" + last;
    const std::string values = "='" + sheet + "'!$E$6:$E$" + last;
    chart_add_series(chart, categories.c_str(), values.c_str());
    chart_title_set_name(chart, title);
    chart_legend_set_position(chart, LXW_CHART_LEGEND_NONE);
    worksheet_insert_chart(ws, 13, 0, chart);
}

void writeSalesWorkbook(const std::filesystem::path& path) {
    WorkbookWriter wb(path);
    lxw_format* title = wb.addFormat();
    format_set_bold(title);
    format_set_font_size(title, 14);
    format_set_align(title, LXW_ALIGN_CENTER);

    // Named "Q1Q2 totals" by the A1 rule once the forbidden characters are removed.
    lxw_worksheet* north = wb.addSheet("North");
    worksheet_merge_range(north, 0, 0, 0, 4, "Q1/Q2: totals?", title);
    worksheet_write_string(north, 2, 0, "Region:", nullptr);
    worksheet_write_string(north, 2, 2, "North region", nullptr);
    const SalesRow northRows[] = {{"January", {2020, 1, 31, 0, 0, 0}, 1200, 4.5},
                                  {"February", {2020, 2, 29, 0, 0, 0}, 1350, 4.5},
                                  {"March", {2020, 3, 31, 0, 0, 0}, 980, 4.75},
                                  {"April", {2020, 4, 30, 0, 0, 0}, 1610, 4.75},
                                  {"May", {2020, 5, 31, 0, 0, 0}, 1720, 5},
                                  {"June", {2020, 6, 30, 0, 0, 0}, 1500, 5}};
    writeSalesTable(wb, north, northRows, 6);
    addRevenueChart(wb, north, "North", 6, "Revenue, first half");

    // A1 is empty: the A1 rule saves this one as no_value.xls.
    lxw_worksheet* south = wb.addSheet("South");
    worksheet_write_string(south, 2, 0, "Region:", nullptr);
    worksheet_write_string(south, 2, 2, "South region", nullptr);
    const SalesRow southRows[] = {{"January", {2020, 1, 31, 0, 0, 0}, 800, 4.25},
                                  {"February", {2020, 2, 29, 0, 0, 0}, 860, 4.25},
                                  {"March", {2020, 3, 31, 0, 0, 0}, 905, 4.5}};
    writeSalesTable(wb, south, southRows, 3);

    wb.addSheet("Notes");  // empty: skipped

    lxw_worksheet* cover = wb.addSheet("Cover");  // content only in A1: skipped
    worksheet_write_string(cover, 0, 0, "Sales report 2020", title);
    wb.close();
}

void writeInventoryWorkbook(const std::filesystem::path& path) {
    WorkbookWriter wb(path);
    lxw_format* bold = wb.addFormat();
    format_set_bold(bold);
    lxw_format* date = wb.numberFormat("d mmmm yyyy");
    lxw_format* money = wb.numberFormat("#,##0.00 [$EUR]");
    lxw_format* percent = wb.numberFormat("0.0%");

    lxw_worksheet* stock = wb.addSheet("Stock");
    worksheet_write_string(stock, 0, 0, "Stock\\Inventory: main*", bold);
    worksheet_write_string(stock, 2, 0, "Site:", nullptr);
    worksheet_write_string(stock, 2, 2, "Warehouse A", nullptr);
    const char* headers[] = {"Article", "Received", "Quantity", "Unit cost", "Margin"};
    for (int c = 0; c < 5; ++c)
        worksheet_write_string(stock, 4, c, headers[c], bold);
    const char* articles[] = {"Bolts M6", "Nuts M6", "Washers 6mm", "Hinges", "Brackets"};
    for (int i = 0; i < 5; ++i) {
        const lxw_row_t r = static_cast<lxw_row_t>(5 + i);
        lxw_datetime received = {2021, 3, 1 + 7 * i, 0, 0, 0};
        worksheet_write_string(stock, r, 0, articles[i], nullptr);
        worksheet_write_datetime(stock, r, 1, &received, date);
        worksheet_write_number(stock, r, 2, 250.0 * (i + 1), nullptr);
        worksheet_write_number(stock, r, 3, 0.35 + 0.4 * i, money);
        worksheet_write_number(stock, r, 4, 0.12 + 0.03 * i, percent);
    }
    worksheet_set_column(stock, 0, 4, 16, nullptr);
    const PngImage logo(96, 48, 0x2E6DA4, 0xF2C14E, 8);
    check(worksheet_insert_image_buffer(stock, 1, 6, logo.data(), logo.size()), "logo");

    // Hidden sheets are split too.
    lxw_worksheet* archive = wb.addSheet("Archive");
    worksheet_write_string(archive, 0, 0, "Archive 2019", bold);
    worksheet_write_string(archive, 2, 2, "Old stock", nullptr);
    worksheet_write_number(archive, 3, 2, 1875, nullptr);
    worksheet_hide(archive);

    // Same sheet name and A1 as in Sales.2020.xlsx: the second save gets "_1".
    lxw_worksheet* north = wb.addSheet("North");
    worksheet_write_string(north, 0, 0, "Q1/Q2: totals?", bold);
    worksheet_write_string(north, 2, 2, "North depot", nullptr);
    worksheet_write_number(north, 3, 2, 412, nullptr);
    wb.close();
}

void writeScheduleWorkbook(const std::filesystem::path& path) {
    WorkbookWriter wb(path);
    lxw_format* date = wb.numberFormat("dd/mm/yyyy");
    lxw_format* hours = wb.numberFormat("0.0");

    // A1 holds a formula: the file is named by its computed value; C3 holds a number.
    lxw_worksheet* rota = wb.addSheet("Rota");
    worksheet_write_formula_str(rota, 0, 0, "=\"Rota week \"&B1", nullptr, "Rota week 12");
    worksheet_write_number(rota, 0, 1, 12, nullptr);
    worksheet_write_number(rota, 2, 2, 1234.5, nullptr);
    const char* people[] = {"Ana", "Ben", "Chloe", "Dev"};
    for (int i = 0; i < 4; ++i) {
        const lxw_row_t r = static_cast<lxw_row_t>(4 + i);
        lxw_datetime day = {2021, 3, 22 + i, 0, 0, 0};
        worksheet_write_string(rota, r, 0, people[i], nullptr);
        worksheet_write_datetime(rota, r, 1, &day, date);
        worksheet_write_number(rota, r, 2, 7.5 + i * 0.5, hours);
    }
    worksheet_set_column(rota, 1, 1, 12, nullptr);

    // A1 longer than 128 characters is cut; C3 is empty, so the C3 rule gives no_value.
    lxw_worksheet* remarks = wb.addSheet("Remarks");
    std::string longText = "Remarks on the rota";
    while (longText.size() < 200)
        longText += " - shifts are swapped only with the lead's consent";
    longText.resize(200);
    worksheet_write_string(remarks, 0, 0, longText.c_str(), nullptr);
    worksheet_write_string(remarks, 3, 1, "Swap requests go to the lead.", nullptr);

    wb.addSheet("Blank");  // empty: skipped
    wb.close();
}

}  // namespace

void writeSampleWorkbooks(const std::filesystem::path& dir) {
    std::filesystem::create_directories(dir);
    writeSalesWorkbook(dir / "Sales.2020.xlsx");
    writeInventoryWorkbook(dir / "Inventory.xlsx");
    writeScheduleWorkbook(dir / "Team Schedule.xlsx");
}

}  // namespace pv::tools
