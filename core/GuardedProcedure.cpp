#include "core/GuardedProcedure.h"

#include "core/Error.h"
#include "core/ErrorReport.h"

namespace pv {

GuardedProcedure::GuardedProcedure(Dialogs& dialogs, std::string location)
    : dialogs_(dialogs), location_(std::move(location)) {}

void GuardedProcedure::report(const std::exception& failure) {
    if (const auto* error = dynamic_cast<const Error*>(&failure))
        show(error->description());
    else
        show(failure.what());
}

void GuardedProcedure::reportUnknown() {
    show("Unknown failure");
}

void GuardedProcedure::show(const std::string& description) {
    dialogs_.message(errorReportText(description, location_, currentLine_), kErrorReportTitle,
                     MessageIcon::Warning);
}

}  // namespace pv
