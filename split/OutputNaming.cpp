#include "split/OutputNaming.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/Error.h"
#include "host/zip/FileNameLimit.h"
#include "split/SplitErrors.h"

namespace pv::split {

namespace {

constexpr std::string_view kRemovedFromCellStems = "/\\*:?<>|";
// Left off both ends of every stem: a name starting with a dot is hidden here, and names that
// end in dots or blanks, or start with blanks, are not kept as given on every system.
constexpr std::string_view kTrimmedFromStemEnds = ". ";
// Room a stem leaves in the file name for the highest number, "_32767".
constexpr std::size_t kNumberRoom = 6;
constexpr std::string_view kNoValueName = "no_value.xls";
constexpr std::string_view kNoValueStem = "no_value";
constexpr std::string_view kFallbackExtension = ".xlsx";

std::string_view fileNamePart(std::string_view path) {
    const std::size_t separator = path.find_last_of("/\\");
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

bool isUtf8Continuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

bool isControlCharacter(char byte) {
    const auto code = static_cast<unsigned char>(byte);
    return code < 32 || code == 127;
}

std::string trimmedEnds(const std::string& stem) {
    const std::size_t first = stem.find_first_not_of(kTrimmedFromStemEnds);
    if (first == std::string::npos) {
        return {};
    }
    return stem.substr(first, stem.find_last_not_of(kTrimmedFromStemEnds) - first + 1);
}

void refuseUnsafeStem(const std::string& folder, const std::string& stem) {
    if (stem.find_first_of(std::string_view("/\\\0", 3)) != std::string::npos) {
        throw Error(SplitError::UnsafeStem,
                    "Cannot save \"" + stem + "\" in " + folder +
                        ": the name holds a folder separator or a NUL character");
    }
}

// The name of a stem found for any option: the stem made usable here, or the "no_value" name
// when nothing of it is left.
std::string firstFreeStemName(const NamingInputs& inputs, const std::string& stem,
                              const IsTaken& isTaken, FreeNumbers* numbers) {
    refuseUnsafeStem(inputs.folder, stem);
    const std::size_t limit = host::fileNameLimit(inputs.folder);
    const std::size_t room =
        kNumberRoom + std::max(inputs.extension.size(), kFallbackExtension.size());
    const std::string usable = fitStem(stem, limit > room ? limit - room : 0);
    if (usable.empty()) {
        return firstFreeNoValueName(inputs.folder, inputs.extension, isTaken, numbers);
    }
    return firstFreeName(inputs.folder, usable, inputs.extension, isTaken, numbers);
}

// The first of `plainName`, then numbered names `numberedPrefix` + n + `numberedSuffix` for n from
// 1 to 32767, that is not taken.
std::string firstFreeOf(const std::string& plainName, const std::string& numberedPrefix,
                        const std::string& numberedSuffix, const IsTaken& isTaken,
                        FreeNumbers* numbers) {
    if (!isTaken(plainName)) {
        return plainName;
    }
    int* next =
        numbers != nullptr ? &numbers->next.try_emplace(plainName, 1).first->second : nullptr;
    for (int counter = next != nullptr ? *next : 1; counter <= kLastNumber; ++counter) {
        std::string numbered = numberedPrefix + std::to_string(counter) + numberedSuffix;
        if (!isTaken(numbered)) {
            if (next != nullptr) {
                *next = counter + 1;
            }
            return numbered;
        }
    }
    throw Error(SplitError::NoFreeName, "No free file name for " + plainName +
                                            ": every number up to " + std::to_string(kLastNumber) +
                                            " is taken");
}

}  // namespace

std::optional<NamingOption> namingOptionFromText(std::string_view displayedText) {
    for (std::size_t i = 0; i < kNamingOptionTexts.size(); ++i) {
        if (displayedText == kNamingOptionTexts[i]) {
            return static_cast<NamingOption>(i);
        }
    }
    return std::nullopt;
}

std::string_view namingOptionText(NamingOption option) {
    return kNamingOptionTexts.at(static_cast<std::size_t>(option));
}

bool isTakenOnDisk(const std::string& fullPath) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::symlink_status(fullPath, error);
    if (error && error != std::errc::no_such_file_or_directory &&
        error != std::errc::not_a_directory) {
        throw Error(SplitError::LookupFailed,
                    "Cannot look up " + fullPath + ": " + error.message());
    }
    return std::filesystem::exists(status);
}

std::size_t extensionDot(std::string_view path) {
    const std::size_t separator = path.find_last_of("/\\");
    const std::size_t nameStart = separator == std::string_view::npos ? 0 : separator + 1;
    const std::size_t dot = path.rfind('.');
    return dot == std::string_view::npos || dot < nameStart ? std::string_view::npos : dot;
}

std::string sourceExtension(std::string_view sourcePath) {
    const std::string_view fileName = fileNamePart(sourcePath);
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == fileName.size()) {
        return std::string(kFallbackExtension);
    }
    return std::string(fileName.substr(dot));
}

std::string workbookBaseName(std::string_view workbookName) {
    const std::string_view fileName = fileNamePart(workbookName);
    const std::size_t dot = fileName.rfind('.');
    return dot == std::string_view::npos ? std::string() : std::string(fileName.substr(0, dot));
}

std::string cleanCellStem(std::string value) {
    for (char removed : kRemovedFromCellStems) {
        std::erase(value, removed);
    }
    std::erase_if(value, isControlCharacter);
    std::size_t codePoints = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (!isUtf8Continuation(value[i]) && ++codePoints > kMaxCellStemLength) {
            value.resize(i);
            break;
        }
    }
    return value;
}

std::string fitStem(std::string stem, std::size_t bytes) {
    std::erase_if(stem, isControlCharacter);
    return trimmedEnds(host::cutToBytes(trimmedEnds(stem), bytes));
}

std::string firstFreeName(const std::string& folder, const std::string& stem,
                          const std::string& extension, const IsTaken& isTaken,
                          FreeNumbers* numbers) {
    refuseUnsafeStem(folder, stem);
    return firstFreeOf(folder + stem + extension, folder + stem + "_", extension, isTaken, numbers);
}

std::string firstFreeNoValueName(const std::string& folder, const std::string& extension,
                                 const IsTaken& isTaken, FreeNumbers* numbers) {
    return firstFreeOf(folder + std::string(kNoValueName), folder + std::string(kNoValueStem) + "_",
                       extension, isTaken, numbers);
}

std::string fileNumberName(const std::string& folder, int fileNumber) {
    if (fileNumber < 1 || fileNumber > kLastNumber) {
        throw Error(SplitError::FileNumberExhausted, "Cannot number another file in " + folder +
                                                         ": the numbers end at " +
                                                         std::to_string(kLastNumber));
    }
    return folder + std::to_string(fileNumber);
}

std::optional<host::CellRef> namingCell(NamingOption option, std::string_view rangeAddress) {
    if (option == NamingOption::CellA1) {
        return host::CellRef{1, 1};
    }
    if (option != NamingOption::UserCell) {
        return std::nullopt;
    }
    const auto range = host::parseRangeRef(rangeAddress);
    if (!range) {
        return std::nullopt;
    }
    return range->first;
}

std::optional<std::string> outputFileName(std::string_view optionText, const NamingInputs& inputs,
                                          const IsTaken& isTaken, FreeNumbers* numbers) {
    const std::optional<NamingOption> option = namingOptionFromText(optionText);
    if (!option) {
        return std::nullopt;
    }
    switch (*option) {
        case NamingOption::SheetName:
            return firstFreeStemName(inputs, inputs.sheetName, isTaken, numbers);
        case NamingOption::WorkbookAndSheetName:
            return firstFreeStemName(inputs, inputs.workbookBaseName + " " + inputs.sheetName,
                                     isTaken, numbers);
        case NamingOption::CellA1:
        case NamingOption::UserCell:
            if (!inputs.cellValue) {
                return std::nullopt;
            }
            if (inputs.cellValue->empty()) {
                return firstFreeNoValueName(inputs.folder, inputs.extension, isTaken, numbers);
            }
            return firstFreeStemName(inputs, cleanCellStem(*inputs.cellValue), isTaken, numbers);
        case NamingOption::FileNumber:
            return fileNumberName(inputs.folder, inputs.fileNumber);
    }
    return std::nullopt;
}

}  // namespace pv::split
