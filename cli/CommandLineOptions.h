#pragma once
// pellavine-split's options, parsed from its arguments.
#include <optional>
#include <string>
#include <vector>

namespace pv::cli {

struct CommandLineOptions {
    std::vector<std::string> inputs;  // workbooks and folders, in the order given
    // More inputs, read from this file ("-": standard input) after those above, one a line or,
    // with `nulSeparated`, ended by NUL characters.
    std::optional<std::string> filesFrom;
    bool nulSeparated = false;
    std::string outputFolder = ".";
    std::string namingOption;  // one of the window's five texts
    std::string rangeAddress;  // the prompt's answer for "cell:REF", as "$C$3"
    std::string extension = "xl*";
    int jobs = 1;
    // Sheet-name patterns ("*", "?", any letter case); empty: every sheet.
    std::vector<std::string> sheetPatterns;
    bool skipHidden = false;
    // The outputs' extension (".csv"); empty: the window's formats (the source's own).
    std::string outputExtension;
    bool csvRaw = false;
    bool dryRun = false;
    bool json = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
};

// The options, or nothing with the reason in `problem` (a usage error).
std::optional<CommandLineOptions> parseCommandLine(const std::vector<std::string>& args,
                                                   std::string& problem);

extern const char* const kUsage;

}  // namespace pv::cli
