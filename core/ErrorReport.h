#pragma once
// The standard report of a failure inside a guarded procedure: what failed, where, at which line,
// and whom to send a screenshot to.
#include <string>

namespace pv {

inline constexpr const char* kErrorReportTitle = "Application Error";
inline constexpr const char* kSupportAddress = "support@orvantis.example";

// "in " + project + "2021/08/31." + module + "." + procedure + " ", as every report quotes it.
std::string locationText(const std::string& project, const std::string& module,
                         const std::string& procedure);

// The location of a procedure of the main window, Form1.
std::string form1Location(const std::string& procedure);

// description, CR LF, location, "at line ", line, CR CR, the support request.
std::string errorReportText(const std::string& description, const std::string& location, int line);

}  // namespace pv
