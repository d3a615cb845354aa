#pragma once
// Every workbook format the program knows, in one table: its extension, the content type of its
// workbook part when it is a package our engine reads and writes, who reads and writes it, and
// the grid it holds. Extensions are compared lowercase, with their dot (".xlsx").
#include <optional>
#include <string>
#include <string_view>

namespace pv::host {

// Who handles a format: our engine, an installed office suite (LibreOffice), or nobody.
enum class FormatHandler { Engine, Office, Nobody };

struct GridLimits {
    int rows = 0;
    int columns = 0;
};

struct WorkbookFormat {
    std::string_view extension;
    std::string_view mainContentType;  // "" for a format that is not a package of ours
    FormatHandler reader = FormatHandler::Engine;
    FormatHandler writer = FormatHandler::Engine;
    std::optional<GridLimits> grid;  // only where smaller than the engine's grid
};

// The format of a lowercase extension; nothing for an extension no format has.
const WorkbookFormat* findWorkbookFormat(std::string_view lowercaseExtension);

// The workbook part's content type for an output extension of our engine; "" for any other.
std::string_view mainContentTypeFor(std::string_view lowercaseExtension);
// Whether our engine reads workbooks with this extension.
bool isEngineReadable(std::string_view lowercaseExtension);

// The extensions read by our engine (and, with `withOffice`, by an office suite too), in the
// table's order, for messages: ".xlsx, .xlsm, .xltx and .xltm".
std::string readableExtensionsText(bool withOffice);

// Whether a format's grid is smaller than the engine's (.xls): only then can a sheet be too large
// for it, and only then is its used range worth reading.
bool hasGridLimits(std::string_view lowercaseExtension);

// Whether a sheet whose cells end at lastRow, lastColumn fits a format: always when it has no
// limits of its own.
bool fitsGrid(std::string_view lowercaseExtension, int lastRow, int lastColumn);

// Why a sheet was not saved in a format: "Sheet "Wide" of /in/w.xlsx has 2 rows and 257 columns,
// more than an .xls workbook holds (65,536 rows, 256 columns)". The extension must have limits.
std::string tooLargeText(const std::string& sheetName, const std::string& source,
                         std::string_view lowercaseExtension, int lastRow, int lastColumn);

}  // namespace pv::host
