#include "cli/CommandLineOptions.h"

#include <algorithm>
#include <charconv>
#include <thread>

#include "host/cells/CellRef.h"
#include "split/OutputNaming.h"

namespace pv::cli {

const char* const kUsage =
    "Usage: pellavine-split [options] INPUT...\n"
    "Saves each worksheet with content of every workbook as a workbook of its own.\n"
    "INPUT is a workbook or a folder; a folder's tree is searched for \"*.\" + EXT files\n"
    "(names starting with \"~\" and hidden files left out).\n"
    "\n"
    "Options:\n"
    "  -o, --output DIR     the output folder, which must exist (default: the current folder)\n"
    "  -n, --naming RULE    how output files are named (default: sheet):\n"
    "                         sheet           the sheet's name\n"
    "                         workbook-sheet  the workbook's name, a blank, the sheet's name\n"
    "                         a1              the content of cell A1\n"
    "                         cell:REF        the content of cell REF (e.g. cell:C3)\n"
    "                         number          1, 2, 3 ... across all workbooks, replacing\n"
    "                                         files of those names\n"
    "                       Every other rule never replaces a file: a name taken, even while\n"
    "                       the file is written, gets \"_1\", \"_2\" ...\n"
    "  -f, --format FORMAT  what each sheet is saved as: xlsx (default: a workbook of its\n"
    "                       source's own type), csv (its cells as the sheet shows them,\n"
    "                       UTF-8, comma-separated), or ods, xls or pdf (through LibreOffice);\n"
    "                       the naming rule gives the name, the format its extension\n"
    "      --csv-raw        CSV cells as stored: numbers and dates unformatted\n"
    "      --sheets PATTERN  only sheets whose name matches PATTERN (wildcards * and ?,\n"
    "                       any letter case); repeat it for more patterns\n"
    "      --skip-hidden    leave hidden sheets out\n"
    "      --files-from FILE  more inputs, one a line, from FILE (\"-\": standard input)\n"
    "  -0                   the names in FILE end with a NUL character, not a line end:\n"
    "                       find ... -print0 | pellavine-split --files-from - -0 ...\n"
    "      --ext EXT        the extension pattern for folder inputs (default: xl*)\n"
    "  -j, --jobs N         sheets saved on N threads; names stay those of one thread\n"
    "                       (default: the number of cores)\n"
    "      --dry-run        write nothing: print the name of each file a run would write\n"
    "                       (the same names, as the folder is now) and each failure, and\n"
    "                       exit with the run's status\n"
    "      --json           one JSON object per line on stdout for each file and failure\n"
    "  -q, --quiet          print failures only\n"
    "  -h, --help           this text\n"
    "      --version        the program's version\n"
    "\n"
    "Exit status: 0 every content sheet saved, 1 some step failed, 2 usage error.\n";

namespace {

std::optional<std::string> namingText(const std::string& rule, std::string& range) {
    using split::kNamingOptionTexts;
    if (rule == "sheet")
        return std::string(kNamingOptionTexts[0]);
    if (rule == "workbook-sheet")
        return std::string(kNamingOptionTexts[1]);
    if (rule == "a1")
        return std::string(kNamingOptionTexts[2]);
    if (rule == "number")
        return std::string(kNamingOptionTexts[4]);
    if (rule.starts_with("cell:")) {
        const auto parsed = host::parseRangeRef(rule.substr(5));
        if (!parsed)
            return std::nullopt;
        range = host::absoluteAddress(parsed->first, parsed->second);
        return std::string(kNamingOptionTexts[3]);
    }
    return std::nullopt;
}

std::optional<int> positiveNumber(const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1)
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<CommandLineOptions> parseCommandLine(const std::vector<std::string>& args,
                                                   std::string& problem) {
    CommandLineOptions options;
    options.namingOption = split::kNamingOptionTexts[0];
    options.jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    bool endOfOptions = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (endOfOptions || arg == "-" || arg.empty() || arg[0] != '-') {
            options.inputs.push_back(arg);
            continue;
        }
        if (arg == "--") {
            endOfOptions = true;
            continue;
        }
        std::optional<std::string> attached;  // "--naming=a1"
        if (const auto equals = arg.find('=');
            arg.starts_with("--") && equals != std::string::npos) {
            attached = arg.substr(equals + 1);
            arg.resize(equals);
        }
        auto value = [&]() -> std::optional<std::string> {
            if (attached)
                return attached;
            if (i + 1 < args.size())
                return args[++i];
            problem = arg + " needs a value";
            return std::nullopt;
        };
        const bool takesNoValue = arg == "-h" || arg == "--help" || arg == "--version" ||
                                  arg == "--json" || arg == "--dry-run" || arg == "--csv-raw" ||
                                  arg == "--skip-hidden" || arg == "-0" || arg == "-q" ||
                                  arg == "--quiet";
        if (takesNoValue && attached) {
            problem = arg + " takes no value";
            return std::nullopt;
        }
        if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--dry-run") {
            options.dryRun = true;
        } else if (arg == "--csv-raw") {
            options.csvRaw = true;
        } else if (arg == "-f" || arg == "--format") {
            const auto format = value();
            if (!format)
                return std::nullopt;
            if (*format == "xlsx") {
                options.outputExtension.clear();
            } else if (*format == "csv" || *format == "ods" || *format == "pdf" ||
                       *format == "xls") {
                options.outputExtension = "." + *format;
            } else {
                problem = "unknown format \"" + *format + "\" (xlsx, csv, ods, pdf or xls)";
                return std::nullopt;
            }
        } else if (arg == "--skip-hidden") {
            options.skipHidden = true;
        } else if (arg == "--sheets") {
            const auto pattern = value();
            if (!pattern)
                return std::nullopt;
            if (pattern->empty()) {
                problem = "--sheets needs a sheet-name pattern such as \"Q*\"";
                return std::nullopt;
            }
            options.sheetPatterns.push_back(*pattern);
        } else if (arg == "-0") {
            options.nulSeparated = true;
        } else if (arg == "--files-from") {
            const auto file = value();
            if (!file)
                return std::nullopt;
            if (file->empty() || options.filesFrom) {
                problem = "--files-from needs one file (\"-\" for standard input)";
                return std::nullopt;
            }
            options.filesFrom = *file;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "-q" || arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "-o" || arg == "--output") {
            const auto folder = value();
            if (!folder)
                return std::nullopt;
            options.outputFolder = *folder;
        } else if (arg == "-n" || arg == "--naming") {
            const auto rule = value();
            if (!rule)
                return std::nullopt;
            const auto text = namingText(*rule, options.rangeAddress);
            if (!text) {
                problem = "unknown naming rule \"" + *rule +
                          "\" (sheet, workbook-sheet, a1, cell:REF or number)";
                return std::nullopt;
            }
            options.namingOption = *text;
        } else if (arg == "--ext") {
            const auto extension = value();
            if (!extension)
                return std::nullopt;
            if (extension->empty() || extension->find_first_of("/\\") != std::string::npos) {
                problem = "--ext needs an extension pattern such as xl* or xlsx";
                return std::nullopt;
            }
            options.extension = *extension;
        } else if (arg == "-j" || arg == "--jobs") {
            const auto jobs = value();
            if (!jobs)
                return std::nullopt;
            const auto number = positiveNumber(*jobs);
            if (!number) {
                problem = "--jobs needs a whole number of 1 or more";
                return std::nullopt;
            }
            options.jobs = *number;
        } else {
            problem = "unknown option " + arg;
            return std::nullopt;
        }
    }
    if (options.csvRaw && options.outputExtension != ".csv") {
        problem = "--csv-raw is for --format csv";
        return std::nullopt;
    }
    if (options.nulSeparated && !options.filesFrom) {
        problem = "-0 is for the names of --files-from";
        return std::nullopt;
    }
    if (!options.help && !options.version && options.inputs.empty() && !options.filesFrom) {
        problem = "no workbook or folder given";
        return std::nullopt;
    }
    return options;
}

}  // namespace pv::cli
