// Splits legacy workbooks through LegacyHost, every content sheet saved in its source's format,
// and tells the time spent in LibreOffice apart from the time spent in our engine.
// Usage: pv-legacy-bench OUTPUT_FOLDER WORKBOOK...
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "core/Error.h"
#include "host/package/WorkbookFormats.h"
#include "host/zip/EntryNames.h"
#include "office/LegacyFormats.h"
#include "office/LegacyHost.h"

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    if (argc < 3) {
        std::fprintf(stderr, "Usage: pv-legacy-bench OUTPUT_FOLDER WORKBOOK...\n");
        return 2;
    }
    const fs::path out = argv[1];
    const std::vector<fs::path> books(argv + 2, argv + argc);
    auto host = pv::office::createLegacyHost();
    if (!host->office().available()) {
        std::fprintf(stderr, "pv-legacy-bench: LibreOffice (soffice) is not installed\n");
        return 1;
    }
    const auto started = std::chrono::steady_clock::now();
    host->prepare(books);
    int written = 0;
    int failures = 0;
    for (const auto& path : books) {
        try {
            auto book = host->open(path);
            for (std::size_t s = 0; s < book->sheets().size(); ++s) {
                const auto range = book->usedRange(s);
                if (!range.hasContentBeyondA1()) {
                    continue;
                }
                book->saveSheetAs(s, out / (path.stem().string() + " " + book->sheets()[s].name +
                                            pv::host::lowercaseExtension(path.string())));
                ++written;
            }
        } catch (const pv::Error& e) {
            std::fprintf(stderr, "error %d: %s\n", e.number(), e.description().c_str());
            ++failures;
        }
    }
    const double total =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double office = std::chrono::duration<double>(host->office().timeSpent()).count();
    std::printf("workbooks %zu, sheets written %d, failures %d\n", books.size(), written, failures);
    std::printf(
        "total %.2f s: LibreOffice %.2f s in %d soffice starts, engine and copying %.2f s\n", total,
        office, host->office().starts(), total - office);
    return failures == 0 ? 0 : 1;
}
