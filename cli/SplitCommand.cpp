#include "cli/SplitCommand.h"

#include <filesystem>

#include "core/Error.h"
#include "host/SpreadsheetHost.h"

namespace pv::cli {

namespace {

constexpr const char* kUsage =
    "Usage: pellavine-split [-o DIR] [-q] WORKBOOK...\n"
    "Saves each worksheet with content of every WORKBOOK as a workbook of its own in DIR.\n";

struct Options {
    std::filesystem::path folder = ".";
    bool quiet = false;
    std::vector<std::filesystem::path> workbooks;
};

// The sheet name and the source's extension; "_1", "_2"... while the name is taken.
std::filesystem::path freeName(const std::filesystem::path& folder, const std::string& stem,
                               const std::string& extension) {
    std::filesystem::path name = folder / (stem + extension);
    for (int n = 1; std::filesystem::exists(name); ++n) {
        name = folder / (stem + "_" + std::to_string(n) + extension);
    }
    return name;
}

void report(std::ostream& err, const Error& e) {
    err << "pellavine-split: error " << e.number() << ": " << e.description() << "\n";
}

// Splits one workbook; false when anything failed.
bool splitWorkbook(host::SpreadsheetHost& host, const std::filesystem::path& file,
                   const Options& options, std::ostream& out, std::ostream& err) {
    std::unique_ptr<host::SourceWorkbook> book;
    try {
        book = host.open(file);
    } catch (const Error& e) {
        report(err, e);
        return false;
    }
    bool ok = true;
    const std::string extension = file.extension().string();
    for (std::size_t i = 0; i < book->sheets().size(); ++i) {
        const auto& sheet = book->sheets()[i];
        if (sheet.kind != host::SheetKind::Worksheet) {
            continue;
        }
        try {
            const auto range = book->usedRange(i);
            if (range.lastRow <= 1 && range.lastColumn <= 1) {
                continue;
            }
            const auto target = freeName(options.folder, sheet.name, extension);
            book->saveSheetAs(i, target);
            if (!options.quiet) {
                out << "Saved: " << target.string() << "\n";
            }
        } catch (const Error& e) {
            report(err, e);
            ok = false;
        } catch (const std::exception& e) {
            err << "pellavine-split: " << file.string() << ": sheet \"" << sheet.name
                << "\": " << e.what() << "\n";
            ok = false;
        }
    }
    return ok;
}

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Options options;
    bool endOfOptions = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!endOfOptions && (a == "--help" || a == "-h")) {
            out << kUsage;
            return 0;
        }
        if (!endOfOptions && a == "--version") {
            out << "pellavine-split " << PV_VERSION << "\n";
            return 0;
        }
        if (!endOfOptions && a == "-o") {
            if (i + 1 >= args.size()) {
                err << "pellavine-split: -o needs a folder\n" << kUsage;
                return 2;
            }
            options.folder = args[++i];
        } else if (!endOfOptions && a == "-q") {
            options.quiet = true;
        } else if (!endOfOptions && a == "--") {
            endOfOptions = true;
        } else if (!endOfOptions && a.size() > 1 && a[0] == '-') {
            err << "pellavine-split: unknown option " << a << "\n" << kUsage;
            return 2;
        } else {
            options.workbooks.emplace_back(a);
        }
    }
    if (options.workbooks.empty()) {
        err << kUsage;
        return 2;
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(options.folder, ec)) {
        err << "pellavine-split: error 5001: " << options.folder.string() << ": no such folder\n";
        return 1;
    }
    auto host = host::createEngineHost();
    bool ok = true;
    for (const auto& file : options.workbooks) {
        ok = splitWorkbook(*host, file, options, out, err) && ok;
    }
    return ok ? 0 : 1;
}

}  // namespace pv::cli
