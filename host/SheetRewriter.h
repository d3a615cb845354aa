#pragma once
// Writes a worksheet part again for a workbook in which it is the only sheet: formulas that
// refer to other sheets become their cached values (whole shared-formula groups), and
// validations, conditional-format rules and hyperlinks that point to other sheets are dropped.
// Streams the part: only the rewritten XML is held in memory.
#include <string>

namespace pv::host {

class SheetScope;
class ZipReader;

std::string rewriteSheet(const ZipReader& zip, const std::string& part, const SheetScope& scope);

}  // namespace pv::host
