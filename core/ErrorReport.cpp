#include "core/ErrorReport.h"

namespace pv {

namespace {
constexpr const char* kDateStamp = "2021/08/31";
}  // namespace

std::string locationText(const std::string& project, const std::string& module,
                         const std::string& procedure) {
    return "in " + project + kDateStamp + "." + module + "." + procedure + " ";
}

std::string form1Location(const std::string& procedure) {
    return locationText("Tamberlyn", "Form1", procedure);
}

std::string errorReportText(const std::string& description, const std::string& location, int line) {
    return description + "\r\n" + location + "at line " + std::to_string(line) + "\r\r" +
           "Please email screenshot of this message to " + kSupportAddress;
}

}  // namespace pv
