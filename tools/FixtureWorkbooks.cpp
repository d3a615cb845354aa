#include "FixtureWorkbooks.h"

#include "PackageEditor.h"
#include "PngImage.h"
#include "WorkbookWriter.h"

#include <fstream>
#include <string>

namespace pv::tools {

namespace {

namespace fs = std::filesystem;

// libxlsxwriter's option structs take non-const strings it never writes to.
char* text(const char* s) {
    return const_cast<char*>(s);
}

std::string cell(int row, int column) {
    return std::string(1, static_cast<char>('A' + column)) + std::to_string(row + 1);
}

enum class Package { Xlsx, Xlsm, Xltx, Xltm };

struct Styles {
    lxw_format* bold;
    lxw_format* money;
    lxw_format* percent;
    lxw_format* date;
    lxw_format* red;
    lxw_format* unlocked;
};

Styles makeStyles(WorkbookWriter& wb) {
    Styles s{};
    s.bold = wb.addFormat();
    format_set_bold(s.bold);
    format_set_bg_color(s.bold, 0xDDEBF7);
    format_set_border(s.bold, LXW_BORDER_THIN);
    s.money = wb.numberFormat("$#,##0.00");
    s.percent = wb.numberFormat("0.0%");
    s.date = wb.numberFormat("yyyy-mm-dd");
    s.red = wb.addFormat();
    format_set_font_color(s.red, LXW_COLOR_RED);
    format_set_italic(s.red);
    s.unlocked = wb.addFormat();
    format_set_unlocked(s.unlocked);
    return s;
}

// Rows 5 to 9 (1-based) of a regional sheet: item, units, price, total = units * price.
struct Figures {
    const char* items[5];
    double units[5];
    double price[5];
    double total() const {
        double sum = 0;
        for (int i = 0; i < 5; ++i)
            sum += units[i] * price[i];
        return sum;
    }
};

void writeFigures(lxw_worksheet* ws, const Styles& s, const Figures& f) {
    const char* headers[] = {"Item", "Units", "Price", "Total"};
    for (int c = 0; c < 4; ++c)
        worksheet_write_string(ws, 3, c, headers[c], s.bold);
    for (int i = 0; i < 5; ++i) {
        const int r = 4 + i;
        worksheet_write_string(ws, r, 0, f.items[i], nullptr);
        worksheet_write_number(ws, r, 1, f.units[i], nullptr);
        worksheet_write_number(ws, r, 2, f.price[i], s.money);
        const std::string formula = "=" + cell(r, 1) + "*" + cell(r, 2);
        worksheet_write_formula_num(ws, r, 3, formula.c_str(), s.money, f.units[i] * f.price[i]);
    }
    worksheet_write_string(ws, 9, 0, "Total", s.bold);
    worksheet_write_formula_num(ws, 9, 3, "=SUM(D5:D9)", s.money, f.total());
}

const Figures kNorth = {
    {"north-anvil", "north-bellows", "north-chisel", "north-drill", "north-easel"},
    {12, 40, 7, 22, 3},
    {19.5, 4.25, 31, 12.75, 140}};
const Figures kCentral = {
    {"central-fir", "central-gum", "central-hazel", "central-ivy", "central-jute"},
    {5, 9, 14, 2, 30},
    {8, 6.5, 3.2, 41, 1.1}};
const Figures kSouth = {{"south-kelp", "south-lime", "south-mango", "south-nutmeg", "south-olive"},
                        {60, 18, 25, 11, 9},
                        {0.8, 2.4, 1.9, 7.3, 5.6}};
constexpr double kTaxRate = 0.2;

// The feature-rich sheet: nearly everything a sheet can own.
void writeNorth(WorkbookWriter& wb, lxw_worksheet* ws, const Styles& s, const fs::path& headerPng) {
    worksheet_write_string(ws, 0, 0, "MARKER-North-7f3a", s.bold);
    worksheet_merge_range(ws, 1, 0, 1, 3, "north quarterly figures", s.bold);
    writeFigures(ws, s, kNorth);

    // Formulas within the sheet, an array formula, and names that point here or elsewhere.
    worksheet_write_string(ws, 3, 4, "Share", s.bold);
    for (int r = 4; r < 9; ++r) {
        const std::string formula = "=" + cell(r, 3) + "/$D$10";
        worksheet_write_formula_num(ws, r, 4, formula.c_str(), s.percent,
                                    kNorth.units[r - 4] * kNorth.price[r - 4] / kNorth.total());
    }
    worksheet_write_string(ws, 3, 5, "Double", s.bold);
    worksheet_write_array_formula_num(ws, 4, 5, 8, 5, "{=B5:B9*2}", nullptr, kNorth.units[0] * 2);
    worksheet_write_string(ws, 3, 6, "Taxed", s.bold);
    worksheet_write_formula_num(ws, 4, 6, "=TaxRate*D5", s.money,
                                kTaxRate * kNorth.units[0] * kNorth.price[0]);
    worksheet_write_formula_num(ws, 5, 6, "=LocalTotal*2", s.money, kNorth.total() * 2);
    worksheet_write_formula_num(ws, 6, 6, "=North!D10/2", s.money, kNorth.total() / 2);
    worksheet_write_boolean(ws, 7, 6, 1, nullptr);
    lxw_datetime day = {2021, 6, 30, 0, 0, 0};
    worksheet_write_datetime(ws, 8, 6, &day, s.date);

    // Column widths, a hidden column, outlined columns; row heights, a hidden row, outline.
    worksheet_set_column(ws, 0, 0, 24, nullptr);
    worksheet_set_column(ws, 1, 6, 12.5, nullptr);
    lxw_row_col_options hidden = {1, 0, 0};
    lxw_row_col_options level1 = {0, 1, 0};
    worksheet_set_column_opt(ws, 7, 7, 10, nullptr, &hidden);
    worksheet_set_column_opt(ws, 8, 9, 11, nullptr, &level1);
    worksheet_write_string(ws, 4, 7, "north-hidden-column", nullptr);
    worksheet_write_number(ws, 4, 8, 81, nullptr);
    worksheet_write_number(ws, 4, 9, 82, nullptr);
    worksheet_set_row(ws, 3, 30, nullptr);
    worksheet_set_row_opt(ws, 11, 15, nullptr, &hidden);
    worksheet_write_string(ws, 11, 0, "north-hidden-row", nullptr);
    worksheet_set_row_opt(ws, 12, LXW_DEF_ROW_HEIGHT, nullptr, &level1);
    worksheet_set_row_opt(ws, 13, LXW_DEF_ROW_HEIGHT, nullptr, &level1);
    worksheet_write_string(ws, 12, 0, "north-outlined-a", nullptr);
    worksheet_write_string(ws, 13, 0, "north-outlined-b", nullptr);
    worksheet_freeze_panes(ws, 4, 1);

    lxw_conditional_format above = {};
    above.type = LXW_CONDITIONAL_TYPE_CELL;
    above.criteria = LXW_CONDITIONAL_CRITERIA_GREATER_THAN;
    above.value = 250;
    above.format = s.red;
    check(worksheet_conditional_format_range(ws, 4, 3, 8, 3, &above), "North conditional format");
    lxw_conditional_format scale = {};
    scale.type = LXW_CONDITIONAL_3_COLOR_SCALE;
    check(worksheet_conditional_format_range(ws, 4, 1, 8, 1, &scale), "North colour scale");

    lxw_data_validation whole = {};
    whole.validate = LXW_VALIDATION_TYPE_INTEGER;
    whole.criteria = LXW_VALIDATION_CRITERIA_BETWEEN;
    whole.minimum_number = 0;
    whole.maximum_number = 1000;
    check(worksheet_data_validation_range(ws, 4, 1, 8, 1, &whole), "North validation");
    const char* choices[] = {"small", "large", nullptr};
    lxw_data_validation list = {};
    list.validate = LXW_VALIDATION_TYPE_LIST;
    list.value_list = const_cast<char**>(choices);
    check(worksheet_data_validation_cell(ws, 14, 1, &list), "North list validation");

    check(worksheet_write_url(ws, 15, 0, "https://example.com/north-report", nullptr), "North url");
    check(worksheet_write_url_opt(ws, 16, 0, "internal:North!A1", nullptr, "north-back-to-top",
                                  nullptr),
          "North internal link");

    lxw_comment_options alice = {};
    alice.author = text("Alice Author");
    check(worksheet_write_comment_opt(ws, 4, 1, "north-comment: checked twice", &alice),
          "North comment");

    const PngImage picture(32, 32, 0xC0392B, 0xFFFFFF);
    check(worksheet_insert_image_buffer(ws, 1, 11, picture.data(), picture.size()), "North image");

    // A chart of this sheet's own data.
    lxw_chart* chart = workbook_add_chart(wb.get(), LXW_CHART_COLUMN);
    chart_add_series(chart, "=North!$A$5:$A$9", "=North!$D$5:$D$9");
    chart_title_set_name(chart, "north totals chart");
    worksheet_insert_chart(ws, 17, 5, chart);

    // A table with its own filter button row.
    lxw_table_column code = {}, qty = {}, note = {};
    code.header = text("Code");
    qty.header = text("Qty");
    note.header = text("Note");
    lxw_table_column* columns[] = {&code, &qty, &note, nullptr};
    lxw_table_options table = {};
    table.name = text("NorthStock");
    table.columns = columns;
    worksheet_write_string(ws, 20, 0, "north-t1", nullptr);
    worksheet_write_number(ws, 20, 1, 5, nullptr);
    worksheet_write_string(ws, 20, 2, "north-table-note", nullptr);
    worksheet_write_string(ws, 21, 0, "north-t2", nullptr);
    worksheet_write_number(ws, 21, 1, 8, nullptr);
    check(worksheet_add_table(ws, 19, 0, 21, 2, &table), "North table");

    // Page setup, header and footer with an image, print area and print titles.
    worksheet_set_landscape(ws);
    worksheet_set_paper(ws, 9);
    worksheet_set_margins(ws, 0.5, 0.5, 0.8, 0.8);
    lxw_header_footer_options headerImage = {};
    const std::string headerPath = headerPng.string();
    headerImage.image_left = text(headerPath.c_str());
    check(worksheet_set_header_opt(ws, "&L&G&Cnorth page header", &headerImage), "North header");
    check(worksheet_set_footer(ws, "&CPage &P of &N"), "North footer");
    check(worksheet_print_area(ws, 0, 0, 21, 6), "North print area");
    check(worksheet_repeat_rows(ws, 3, 3), "North print titles");
    worksheet_fit_to_pages(ws, 1, 0);
}

// Protected sheet with a dynamic array formula, a rich string and unlocked input cells.
void writeCentral(WorkbookWriter& wb, lxw_worksheet* ws, const Styles& s) {
    worksheet_write_string(ws, 0, 0, "MARKER-Central-2b91", s.bold);
    writeFigures(ws, s, kCentral);
    worksheet_write_string(ws, 3, 5, "Sorted", s.bold);
    check(worksheet_write_dynamic_array_formula_num(ws, 4, 5, 8, 5, "=_xlfn._xlws.SORT(B5:B9)",
                                                    nullptr, 2),
          "Central dynamic array");
    lxw_format* italic = wb.addFormat();
    format_set_italic(italic);
    lxw_rich_string_tuple first = {s.bold, text("central-rich ")};
    lxw_rich_string_tuple second = {italic, text("text run")};
    lxw_rich_string_tuple* runs[] = {&first, &second, nullptr};
    check(worksheet_write_rich_string(ws, 11, 0, runs, nullptr), "Central rich string");
    worksheet_write_number(ws, 12, 1, 3, s.unlocked);
    lxw_protection protection = {};
    protection.format_columns = 1;
    worksheet_protect(ws, "central", &protection);
}

// Autofilter, a validation list kept on another sheet, a comment by another author.
void writeSouth(lxw_worksheet* ws, const Styles& s) {
    worksheet_write_string(ws, 0, 0, "MARKER-South-c4e8", s.bold);
    writeFigures(ws, s, kSouth);
    check(worksheet_autofilter(ws, 3, 0, 8, 3), "South autofilter");
    lxw_data_validation fromLists = {};
    fromLists.validate = LXW_VALIDATION_TYPE_LIST_FORMULA;
    fromLists.value_formula = text("=Lists!$A$2:$A$4");
    check(worksheet_data_validation_cell(ws, 11, 1, &fromLists), "South list validation");
    lxw_comment_options bob = {};
    bob.author = text("Bob Reviewer");
    check(worksheet_write_comment_opt(ws, 4, 0, "south-comment: seasonal", &bob), "South comment");
    worksheet_set_column(ws, 0, 0, 18, nullptr);
    worksheet_set_portrait(ws);
    worksheet_set_paper(ws, 1);
}

// Formulas and a chart that read the other sheets, 3-D references, links to other sheets.
void writeSummary(WorkbookWriter& wb, lxw_worksheet* ws, const Styles& s) {
    worksheet_write_string(ws, 0, 0, "MARKER-Summary-9d07", s.bold);
    worksheet_write_string(ws, 1, 0, "Tax rate", nullptr);
    worksheet_write_number(ws, 1, 1, kTaxRate, s.percent);
    worksheet_write_string(ws, 2, 0, "North total", nullptr);
    worksheet_write_formula_num(ws, 2, 1, "=North!D10", s.money, kNorth.total());
    worksheet_write_string(ws, 3, 0, "Units, 3-D sum", nullptr);
    worksheet_write_formula_num(ws, 3, 1, "=SUM(North:South!B5)", nullptr,
                                kNorth.units[0] + kCentral.units[0] + kSouth.units[0]);
    worksheet_write_string(ws, 4, 0, "Items, 3-D count", nullptr);
    worksheet_write_formula_num(ws, 4, 1, "=COUNTA(North:South!A5:A9)", nullptr, 15);
    worksheet_write_string(ws, 5, 0, "Spaced sheet", nullptr);
    worksheet_write_formula_num(ws, 5, 1, "='Data Sheet'!B2*2", nullptr, 2 * 17.5);
    worksheet_write_string(ws, 6, 0, "Named total", nullptr);
    worksheet_write_formula_num(ws, 6, 1, "=NorthTotal", s.money, kNorth.total());
    worksheet_write_string(ws, 7, 0, "Both regions", nullptr);
    worksheet_write_formula_num(ws, 7, 1, "=BothRegions", nullptr,
                                kNorth.units[0] + kSouth.units[0]);
    worksheet_write_string(ws, 8, 0, "Own tax", nullptr);
    worksheet_write_formula_num(ws, 8, 1, "=TaxRate*100", nullptr, kTaxRate * 100);
    worksheet_write_string(ws, 9, 0, "Hidden value", nullptr);
    worksheet_write_formula_num(ws, 9, 1, "=Hidden!B2+Secret!B2", nullptr, 11 + 13);
    worksheet_set_column(ws, 0, 0, 20, nullptr);

    // The link's own text names no sheet; only its target does.
    check(worksheet_write_url_opt(ws, 11, 0, "internal:South!A1", nullptr, "summary-see-figures",
                                  nullptr),
          "Summary link to South");

    lxw_chart* chart = workbook_add_chart(wb.get(), LXW_CHART_LINE);
    chart_add_series(chart, "=North!$A$5:$A$9", "=North!$B$5:$B$9");
    chart_add_series(chart, "=South!$A$5:$A$9", "=South!$B$5:$B$9");
    chart_title_set_name(chart, "units by region");
    worksheet_insert_chart(ws, 13, 0, chart);
}

void writeSmallSheet(lxw_worksheet* ws, const Styles& s, const char* marker, const char* label,
                     double value) {
    worksheet_write_string(ws, 0, 0, marker, s.bold);
    worksheet_write_string(ws, 1, 0, label, nullptr);
    worksheet_write_number(ws, 1, 1, value, nullptr);
}

void writeFeatureWorkbook(const fs::path& path, Package package, const fs::path& scratch) {
    const fs::path headerPng = scratch / "header.png";
    PngImage(24, 12, 0x1F4E79, 0xBDD7EE, 3).writeTo(headerPng);
    const fs::path vba = scratch / "vbaProject.bin";

    WorkbookWriter wb(path);
    const Styles s = makeStyles(wb);
    lxw_worksheet* north = wb.addSheet("North");
    lxw_worksheet* central = wb.addSheet("Central");
    lxw_worksheet* south = wb.addSheet("South");
    lxw_worksheet* summary = wb.addSheet("Summary");
    lxw_worksheet* lists = wb.addSheet("Lists");
    lxw_worksheet* spaced = wb.addSheet("Data Sheet");
    lxw_worksheet* hidden = wb.addSheet("Hidden");
    lxw_worksheet* secret = wb.addSheet("Secret");
    lxw_chartsheet* chartSheet = wb.addChartsheet("Chart1");
    wb.addSheet("Empty");
    lxw_worksheet* onlyA1 = wb.addSheet("OnlyA1");

    writeNorth(wb, north, s, headerPng);
    writeCentral(wb, central, s);
    writeSouth(south, s);
    writeSummary(wb, summary, s);

    worksheet_write_string(lists, 0, 0, "MARKER-Lists-5a6c", s.bold);
    const char* fruits[] = {"lists-apricot", "lists-bilberry", "lists-cherry"};
    for (int i = 0; i < 3; ++i)
        worksheet_write_string(lists, 1 + i, 0, fruits[i], nullptr);

    writeSmallSheet(spaced, s, "MARKER-DataSheet-e1f2", "data-sheet-rate", 17.5);
    worksheet_write_formula_num(spaced, 2, 1, "='Data Sheet'!B2*2", nullptr, 35);
    worksheet_write_formula_num(spaced, 3, 1, "=LocalRate+1", nullptr, 18.5);
    writeSmallSheet(hidden, s, "MARKER-Hidden-3c5d", "hidden-sheet-value", 11);
    worksheet_hide(hidden);
    writeSmallSheet(secret, s, "MARKER-Secret-8e4b", "secret-sheet-value", 13);
    worksheet_hide(secret);
    worksheet_write_string(onlyA1, 0, 0, "MARKER-OnlyA1-6f1e", nullptr);

    lxw_chart* sheetChart = workbook_add_chart(wb.get(), LXW_CHART_BAR);
    chart_add_series(sheetChart, "=Central!$A$5:$A$9", "=Central!$D$5:$D$9");
    chart_title_set_name(sheetChart, "central totals chart");
    check(chartsheet_set_chart(chartSheet, sheetChart), "Chart1");

    wb.defineName("TaxRate", "=Summary!$B$2");
    wb.defineName("NorthTotal", "=North!$D$10");
    wb.defineName("North!LocalTotal", "=North!$D$10");
    wb.defineName("BothRegions", "=North!$B$5+South!$B$5");
    wb.defineName("SouthItems", "=South!$A$5:$A$9");
    wb.defineName("Answer", "=42");
    wb.defineName("'Data Sheet'!LocalRate", "='Data Sheet'!$B$2");

    const bool macros = package == Package::Xlsm || package == Package::Xltm;
    if (macros) {
        // A stand-in project: only its presence matters, since a split never carries it.
        std::ofstream(vba, std::ios::binary)
            << std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) << std::string(504, '\0');
        check(workbook_add_vba_project(wb.get(), vba.c_str()), "vbaProject.bin");
    }
    wb.close();

    PackageEditor edit(path);
    // Sheet 8 (Secret) goes from hidden to very hidden, which libxlsxwriter cannot write.
    edit.replace("xl/workbook.xml", "<sheet name=\"Secret\" sheetId=\"8\" state=\"hidden\"",
                 "<sheet name=\"Secret\" sheetId=\"8\" state=\"veryHidden\"");
    if (package == Package::Xltx)
        edit.replace("[Content_Types].xml", "spreadsheetml.sheet.main+xml",
                     "spreadsheetml.template.main+xml");
    if (package == Package::Xltm)
        edit.replace("[Content_Types].xml", "ms-excel.sheet.macroEnabled.main+xml",
                     "ms-excel.template.macroEnabled.main+xml");
    edit.commit();
    fs::remove(headerPng);
    fs::remove(vba);
}

// Dates in the 1904 system: the serials are 1462 days smaller than in the 1900 system.
void writeDates1904(const fs::path& path) {
    WorkbookWriter wb(path);
    const Styles s = makeStyles(wb);
    lxw_format* dateTime = wb.numberFormat("yyyy-mm-dd hh:mm");
    lxw_worksheet* dates = wb.addSheet("Dates");
    worksheet_write_string(dates, 0, 0, "MARKER-Dates-0a1b", s.bold);
    const double serials1900[] = {36526, 43831.5, 1462,
                                  45000.25};  // 2000-01-01, 2020-01-01 12:00...
    for (int i = 0; i < 4; ++i) {
        worksheet_write_number(dates, 1 + i, 0, serials1900[i] - 1462, s.date);
        worksheet_write_number(dates, 1 + i, 1, serials1900[i] - 1462, dateTime);
    }
    worksheet_set_column(dates, 0, 1, 18, nullptr);
    lxw_worksheet* other = wb.addSheet("Other");
    writeSmallSheet(other, s, "MARKER-Other-4c2d", "other-1904-value", 7);
    wb.close();

    PackageEditor edit(path);
    edit.replace("xl/workbook.xml", "<workbookPr ", "<workbookPr date1904=\"1\" ");
    edit.commit();
}

}  // namespace

void writeFixtureWorkbooks(const fs::path& dir) {
    fs::create_directories(dir);
    const fs::path scratch = dir / ".scratch";
    fs::create_directories(scratch);
    writeFeatureWorkbook(dir / "features.xlsx", Package::Xlsx, scratch);
    writeFeatureWorkbook(dir / "features.xlsm", Package::Xlsm, scratch);
    writeFeatureWorkbook(dir / "features.xltx", Package::Xltx, scratch);
    writeFeatureWorkbook(dir / "features.xltm", Package::Xltm, scratch);
    writeDates1904(dir / "dates1904.xlsx");
    fs::remove_all(scratch);
}

}  // namespace pv::tools
