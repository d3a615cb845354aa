// Error value cells of a one-sheet workbook bound for .xls, given formulas that yield them; read
// back by openpyxl, an independent reader.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "office/ErrorValueCells.h"
#include "support/TestEnv.h"

namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A workbook written by openpyxl whose one sheet gets `rows` as its sheet data.
void writeWorkbook(const fs::path& file, const std::string& rows) {
    const char* script = R"(
import re, sys, zipfile, openpyxl
wb = openpyxl.Workbook()
wb.active.title = "Data"
wb.active["A1"] = 1
wb.save(sys.argv[1] + ".tmp")
source = zipfile.ZipFile(sys.argv[1] + ".tmp")
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as out:
    for name in source.namelist():
        data = source.read(name)
        if name == "xl/worksheets/sheet1.xml":
            data = re.sub(b"<sheetData>.*</sheetData>",
                          b"<sheetData>" + sys.argv[2].encode() + b"</sheetData>", data, flags=re.S)
        out.writestr(name, data)
)";
    ASSERT_EQ(pv::test::runCommand(pv::test::python() + " -c " + pv::test::shellQuote(script) +
                                   " " + pv::test::shellQuote(file.string()) + " " +
                                   pv::test::shellQuote(rows)),
              0);
}

// "<cell> <formula or value> | <cached value>" for each cell, in order, as openpyxl reads them.
std::string cells(const fs::path& file) {
    const char* script = R"(
import sys, openpyxl
formulas = openpyxl.load_workbook(sys.argv[1]).active
values = openpyxl.load_workbook(sys.argv[1], data_only=True).active
for row in formulas.iter_rows():
    for cell in row:
        if cell.value is not None:
            print(cell.coordinate, cell.value, "|", values[cell.coordinate].value)
)";
    std::string output;
    EXPECT_EQ(pv::test::runCommand(pv::test::python() + " -c " + pv::test::shellQuote(script) +
                                       " " + pv::test::shellQuote(file.string()),
                                   &output),
              0)
        << output;
    return output;
}

TEST(ErrorValueCells, EachErrorLibreOfficeWouldLoseGetsAFormulaYieldingIt) {
    pv::test::TempDir dir;
    const fs::path book = dir / "book.xlsx";
    writeWorkbook(book,
                  "<row r=\"1\">"
                  "<c r=\"A1\" t=\"e\"><v>#REF!</v></c>"
                  "<c r=\"B1\" s=\"0\" t=\"e\"><v>#VALUE!</v></c>"
                  "<c r=\"C1\" t=\"e\"><v>#DIV/0!</v></c>"
                  "<c r=\"D1\" t=\"e\"><v>#NUM!</v></c>"
                  "<c r=\"F1\"><v>7</v></c></row>"
                  // Left as they are: LibreOffice keeps #N/A, and has no formula for #NAME?.
                  "<row r=\"2\"><c r=\"A2\" t=\"e\"><v>#N/A</v></c>"
                  "<c r=\"B2\" t=\"e\"><v>#NAME?</v></c>"
                  // A formula of its own is kept, an empty one (written for a formula that
                  // could not be expressed) gives way, and the members of a shared formula
                  // keep theirs.
                  "<c r=\"C2\" t=\"e\"><f>C1*2</f><v>#DIV/0!</v></c>"
                  "<c r=\"D2\" t=\"e\"><f aca=\"false\"></f><v>#VALUE!</v></c>"
                  "<c r=\"E2\" t=\"e\"><f t=\"shared\" ref=\"E2:E3\" si=\"0\">A1/0</f>"
                  "<v>#DIV/0!</v></c></row>"
                  "<row r=\"3\"><c r=\"E3\" t=\"e\"><f t=\"shared\" si=\"0\"/><v>#REF!</v></c>"
                  "</row>");
    pv::office::writeErrorValuesAsFormulas(book);
    EXPECT_EQ(cells(book),
              "A1 =INDIRECT(\"\") | #REF!\n"
              "B1 =\"a\"+1 | #VALUE!\n"
              "C1 =1/0 | #DIV/0!\n"
              "D1 =10^400 | #NUM!\n"
              "F1 7 | 7\n"
              "A2 #N/A | #N/A\n"
              "B2 #NAME? | #NAME?\n"
              "C2 =C1*2 | #DIV/0!\n"
              "D2 =\"a\"+1 | #VALUE!\n"
              "E2 =A1/0 | #DIV/0!\n"
              "E3 =A2/0 | #REF!\n");
}

TEST(ErrorValueCells, AWorkbookWithoutErrorValuesIsLeftAsItIs) {
    pv::test::TempDir dir;
    const fs::path book = dir / "book.xlsx";
    writeWorkbook(book,
                  "<row r=\"1\"><c r=\"A1\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c>"
                  "<c r=\"B1\" t=\"e\"><v>#N/A</v></c><c r=\"C1\"><v>3</v></c></row>");
    const std::string before = readFile(book);
    pv::office::writeErrorValuesAsFormulas(book);
    EXPECT_EQ(readFile(book), before);
}

}  // namespace
