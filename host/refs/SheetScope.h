#pragma once
// Which references stay valid once one sheet is alone in its workbook: its own name, the
// defined names kept with it, its own tables, external workbooks. Anything else (another
// sheet, a 3-D span, a table of another sheet, a name the one-sheet workbook cannot keep,
// whether the sheet's own or workbook-wide) is foreign.
#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "host/cells/FormulaJudge.h"

namespace pv::host {

class ZipReader;
struct WorkbookModel;

class SheetScope final : public FormulaJudge {
  public:
    // The tables' names (lowercase) by worksheet, read once per workbook.
    using TableNames = std::map<std::size_t, std::set<std::string>>;
    static TableNames readTableNames(const ZipReader& zip, const WorkbookModel& model);

    SheetScope(const WorkbookModel& model, const TableNames& tables, std::size_t sheet);

    bool isForeign(std::string_view formula) const override;
    bool isExternal(std::string_view formula) const override;
    // The text of the defined name a formula of this sheet means by `name` (its own name of that
    // spelling, else the workbook-wide one); nothing when there is none.
    const std::string* nameText(std::string_view name) const;
    // Per defined name of the workbook: kept in the one-sheet workbook.
    const std::vector<bool>& keptNames() const { return keptNames_; }

  private:
    bool refersOutside(std::string_view formula) const;

    std::string sheetName_;                // lowercase
    std::set<std::string> droppedNames_;   // lowercase; as the sheet's formulas mean them
    std::set<std::string> foreignTables_;  // lowercase
    std::vector<bool> keptNames_;
    std::map<std::string, std::string> nameTexts_;  // by lowercase name
};

}  // namespace pv::host
