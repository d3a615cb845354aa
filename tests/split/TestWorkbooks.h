#pragma once
// Real workbooks for the run's tests, written by openpyxl (an independent writer), and a reader
// that tells what an output holds.
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/TestEnv.h"

namespace pv::test {

struct SheetSpec {
    std::string name;
    std::map<std::string, std::string> cells;  // "A1" -> text; numbers are written as numbers
    bool hidden = false;
    bool chart = false;  // a chart sheet over the first worksheet's A1:A2
};

struct WorkbookSpec {
    std::filesystem::path path;
    std::vector<SheetSpec> sheets;
};

inline std::string jsonText(const std::string& text) {
    std::string quoted = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            quoted += escaped;
        } else {
            quoted += static_cast<char>(c);
        }
    }
    return quoted + "\"";
}

// Writes every workbook in one interpreter run; fails the test on any error.
inline void writeWorkbooks(const std::vector<WorkbookSpec>& books) {
    std::string json = "[";
    for (const auto& book : books) {
        json += "{\"path\":" + jsonText(book.path.string()) + ",\"sheets\":[";
        for (const auto& sheet : book.sheets) {
            json += "{\"name\":" + jsonText(sheet.name) +
                    ",\"hidden\":" + (sheet.hidden ? "true" : "false") +
                    ",\"chart\":" + (sheet.chart ? "true" : "false") + ",\"cells\":{";
            for (const auto& [ref, value] : sheet.cells)
                json += jsonText(ref) + ":" + jsonText(value) + ",";
            if (json.back() == ',')
                json.pop_back();
            json += "}},";
        }
        if (json.back() == ',')
            json.pop_back();
        json += "]},";
    }
    if (json.back() == ',')
        json.pop_back();
    json += "]";

    TempDir scratch;
    const auto specFile = scratch / "books.json";
    FILE* file = std::fopen(specFile.c_str(), "w");
    std::fputs(json.c_str(), file);
    std::fclose(file);
    const char* script = R"(
import json, sys, openpyxl
from openpyxl.chart import BarChart, Reference
def value(text):
    try:
        return int(text) if text.lstrip('-').isdigit() else text
    except ValueError:
        return text
for book in json.load(open(sys.argv[1])):
    wb = openpyxl.Workbook()
    wb.remove(wb.active)
    first = None
    for s in book["sheets"]:
        if s["chart"]:
            cs = wb.create_chartsheet(s["name"])
            chart = BarChart()
            chart.add_data(Reference(first, min_col=1, min_row=1, max_row=2))
            cs.add_chart(chart)
            continue
        ws = wb.create_sheet(s["name"])
        first = first or ws
        for ref, text in s["cells"].items():
            ws[ref] = value(text)
        if s["hidden"]:
            ws.sheet_state = "hidden"
    wb.save(book["path"])
)";
    std::string output;
    const int status = runCommand(
        python() + " -c " + shellQuote(script) + " " + shellQuote(specFile.string()), &output);
    if (status != 0)
        throw std::runtime_error("openpyxl could not write the test workbooks: " + output);
}

// "sheet name|A1 text|cell text" of an output's only sheet, as openpyxl reads it;
// `cell` names the cell to read besides A1.
inline std::string outputSummary(const std::filesystem::path& output, const std::string& cell) {
    const char* script = R"(
import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
ws = wb.worksheets[0]
show = lambda v: "" if v is None else str(v)
print("%d|%s|%s|%s" % (len(wb.sheetnames), ws.title, show(ws["A1"].value), show(ws[sys.argv[2]].value)), end="")
)";
    std::string output_text;
    runCommand(
        python() + " -c " + shellQuote(script) + " " + shellQuote(output.string()) + " " + cell,
        &output_text);
    return output_text;
}

// The names of the regular files in a folder, hidden ones included.
inline std::set<std::string> fileNames(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

}  // namespace pv::test
