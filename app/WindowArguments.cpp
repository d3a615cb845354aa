#include "app/WindowArguments.h"

namespace pv {

WindowArguments ParseWindowArguments(const QStringList& arguments) {
    // --help and --version win wherever they stand, so either works before Qt (and a display)
    // is there, when Qt's own options are still in the list.
    WindowArguments parsed;
    bool optionsEnded = false;
    for (const QString& argument : arguments) {
        if (optionsEnded || !argument.startsWith('-') || argument == "-") {
            parsed.paths << argument;
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "-h" || argument == "--help") {
            return {WindowArguments::Action::Help, {}, {}};
        } else if (argument == "--version") {
            parsed.action = WindowArguments::Action::Version;
        } else if (parsed.error.isEmpty()) {
            parsed.error = "unknown option " + argument;
        }
    }
    if (parsed.action == WindowArguments::Action::Version)
        return {WindowArguments::Action::Version, {}, {}};
    if (!parsed.error.isEmpty())
        return {WindowArguments::Action::Usage, {}, parsed.error};
    return parsed;
}

}  // namespace pv
