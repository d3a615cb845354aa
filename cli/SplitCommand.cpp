#include "cli/SplitCommand.h"

namespace pv::cli {

namespace {
constexpr const char* kUsage =
    "Usage: pellavine-split [-o DIR] [-q] WORKBOOK...\n"
    "Saves each worksheet with content of every WORKBOOK as a workbook of its own in DIR.\n";
}

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    for (const auto& a : args) {
        if (a == "--help" || a == "-h") {
            out << kUsage;
            return 0;
        }
        if (a == "--version") {
            out << "pellavine-split " << PV_VERSION << "\n";
            return 0;
        }
    }
    err << kUsage;
    return 2;
}

}  // namespace pv::cli
