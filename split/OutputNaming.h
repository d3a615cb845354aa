#pragma once
// The full file name under which an output workbook is saved, by the five naming options of the
// main window's drop-down, or that it is not saved at all.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "host/cells/CellRef.h"

namespace pv::split {

enum class NamingOption { SheetName, WorkbookAndSheetName, CellA1, UserCell, FileNumber };

// The drop-down's texts, in its order; an option is recognised by its text alone.
inline constexpr std::array<std::string_view, 5> kNamingOptionTexts = {
    "New filenames will be based on sheet name",
    "New filenames will be based on workbook name and sheet name",
    "New filenames will be based on content of cell A1",
    "New filenames will be based on contents of user-specified cell(s)",
    "New filenames will be 1.xls, 2.xls, 3.xls, etc.",
};

// Exact, case-sensitive comparison of the whole text; any other text names no option.
std::optional<NamingOption> namingOptionFromText(std::string_view displayedText);
std::string_view namingOptionText(NamingOption option);

// The counters are 16-bit: the last number a name or the file number may carry.
inline constexpr int kLastNumber = 32767;
// A stem made from a cell keeps this many characters (code points) at most.
inline constexpr std::size_t kMaxCellStemLength = 128;

// Answers whether a full file name is taken. The run may wrap the disk lookup to also count
// names it has written itself.
using IsTaken = std::function<bool(const std::string& fullPath)>;

// What a run remembers between names: per plain name, the number its search goes on from. The
// run only ever adds files, so the numbers it passed stay taken, and naming many outputs alike
// costs one look-up each instead of one per earlier output.
struct FreeNumbers {
    std::unordered_map<std::string, int> next;
};

// Any directory entry of that exact name is taken: a file, a folder, a link (even a dangling
// one), and hidden files too, so that a save never replaces a file the user did not see in the
// folder. Throws pv::Error (kLookupFailed) when the lookup itself fails, e.g. a name too long.
bool isTakenOnDisk(const std::string& fullPath);

// "." and the text after the last "." of the source path's file name: "C:\In\Sales.2020.xlsx"
// gives ".xlsx". A file name without a "." (or ending in one) gives ".xlsx", the engine's own
// format: the text after a "." in a folder name is no extension, and a name without one could
// not be saved in a format the engine picks by extension.
std::string sourceExtension(std::string_view sourcePath);
// The position of the extension's "." in the file-name part of `path` (either separator), or
// npos when it has none.
std::size_t extensionDot(std::string_view path);

// The workbook's file name without its last "."-part: "report.2021.xlsx" gives "report.2021";
// the empty text when the name holds no ".". A folder part in front is ignored.
std::string workbookBaseName(std::string_view workbookName);

// A cell value made a file name stem: every / \ * : ? < > | and control character (below 32,
// and 127) removed, then cut to its first 128 characters (counted as UTF-8 code points, so a
// character is never split).
std::string cleanCellStem(std::string value);

// What every option's stem is saved under: control characters removed, leading and trailing
// dots and blanks left off (a leading dot hides the file here), then cut to at most `bytes`
// bytes, never inside a character, and trimmed again. May leave nothing.
std::string fitStem(std::string stem, std::size_t bytes);

// The first of folder + stem + extension, folder + stem + "_1" + extension, "_2"... that is not
// taken. Throws pv::Error: kNoFreeName when "_32767" is taken too, kUnsafeStem when the stem
// holds "/", "\" or a NUL (a sheet name from a crafted file must not reach another folder).
std::string firstFreeName(const std::string& folder, const std::string& stem,
                          const std::string& extension, const IsTaken& isTaken = isTakenOnDisk,
                          FreeNumbers* numbers = nullptr);

// For an empty naming cell: folder + "no_value.xls" (always ".xls"), then folder + "no_value_1"
// + extension, "no_value_2"... as firstFreeName.
std::string firstFreeNoValueName(const std::string& folder, const std::string& extension,
                                 const IsTaken& isTaken = isTakenOnDisk,
                                 FreeNumbers* numbers = nullptr);

// Option 5: folder + the file number, no extension and no lookup (the save adds the engine's
// default extension and replaces a file of that name). Throws pv::Error (kFileNumberExhausted)
// for a number outside 1..32767.
std::string fileNumberName(const std::string& folder, int fileNumber);

// The cell that names the output under options 3 (A1) and 4 (the first cell of the chosen
// range address); nothing for the other options and for an empty or unreadable address.
std::optional<host::CellRef> namingCell(NamingOption option, std::string_view rangeAddress);

// What one output workbook is named from; the run fills it for each sheet.
struct NamingInputs {
    std::string folder;     // put in front unchanged: it carries its final separator
    std::string extension;  // sourceExtension() of the source path
    std::string sheetName;
    std::string workbookBaseName;  // workbookBaseName() of the opened workbook's name
    // The naming cell's text under options 3 and 4 (the empty text for an empty cell); nothing
    // when there is no naming cell (option 4 without a chosen range).
    std::optional<std::string> cellValue;
    int fileNumber = 1;  // the run's counter for option 5; the run advances it after a save
};

// The full name to save under, or nothing when the output is not saved: a text that names no
// option, or options 3 and 4 without a cell value. Every stem goes through fitStem(), so that
// it with "_32767" and the extension fits the output folder's name limit; a stem of which
// nothing is left is named as an empty cell is. Throws pv::Error as the functions above.
std::optional<std::string> outputFileName(std::string_view optionText, const NamingInputs& inputs,
                                          const IsTaken& isTaken = isTakenOnDisk,
                                          FreeNumbers* numbers = nullptr);

}  // namespace pv::split
