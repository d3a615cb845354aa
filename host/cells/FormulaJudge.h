#pragma once
// What a scan asks of each formula it meets: whether it reaches outside the sheet. The answer
// depends on the workbook's names and tables, which a higher layer knows (SheetScope).
#include <string_view>

namespace pv::host {

class FormulaJudge {
  public:
    virtual ~FormulaJudge() = default;
    // Refers to another sheet, a 3-D span, or a name or table of another sheet.
    virtual bool isForeign(std::string_view formula) const = 0;
    // Refers to another workbook.
    virtual bool isExternal(std::string_view formula) const = 0;
};

}  // namespace pv::host
