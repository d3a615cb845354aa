// libFuzzer target over what the split run asks of the engine: open a workbook, list its
// sheets, read used ranges and cells, save every sheet. Failing with pv::Error is the engine
// doing its job; any other exception, a crash, a leak or undefined behaviour is a finding.
#include "core/Error.h"
#include "host/SpreadsheetHost.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// One scratch folder per fuzzing process, removed when it ends.
class ScratchDir {
  public:
    ScratchDir() {
        std::string pattern = (fs::temp_directory_path() / "pv-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

void exercise(pv::host::SpreadsheetHost& host, const fs::path& input, const fs::path& output) {
    auto workbook = host.open(input);
    const auto& sheets = workbook->sheets();
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        try {
            // Every other sheet as a split takes it (a content check, then the save that reads
            // the sheet), the others with their used range and cells read first.
            const bool asSplit = i % 2 == 0;
            if (sheets[i].kind == pv::host::SheetKind::Worksheet) {
                if (asSplit) {
                    workbook->hasContentBeyondA1(i);
                } else {
                    const auto range = workbook->usedRange(i);
                    workbook->cellText(i, 1, 1);
                    workbook->cellText(i, 3, 3);
                    workbook->cellText(i, range.lastRow, range.lastColumn);
                }
            }
            workbook->saveSheetAs(i, output);
        } catch (const pv::Error&) {
            // One sheet failing must not keep the others from being tried.
        }
        std::error_code ec;
        fs::remove(output, ec);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ScratchDir scratch;
    static const fs::path input = scratch.path() / "input.xlsx";
    static const fs::path output = scratch.path() / "output.xlsx";
    {
        std::ofstream file(input, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    try {
        auto host = pv::host::createEngineHost();
        exercise(*host, input, output);
    } catch (const pv::Error&) {
    }
    return 0;
}
