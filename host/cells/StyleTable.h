#pragma once
// The number format of each cell style, to tell dates from plain numbers.
#include <string>
#include <vector>

namespace pv::host {

class ZipReader;

class StyleTable {
  public:
    void load(const ZipReader& zip, const std::string& part);
    // A number as a cell of style `style` shows it: a date (or time) for date formats,
    // General otherwise.
    std::string formatNumber(double value, int style, bool date1904) const;
    // As formatNumber, but a plain number through its style's format code too (NumberFormat.h):
    // "12.50%", "$1,234.50", and a date or time through its format (formatDateWithCode in
    // DateFormat.h): "12/31/2020", "1:45 PM". What neither renders keeps formatNumber's form.
    std::string formatShown(double value, int style, bool date1904) const;

  private:
    enum class Shows { Number, Date, Time, ElapsedTime };
    std::vector<Shows> byStyle_;
    std::vector<std::string> codeByStyle_;  // the number format code; "" for General
    std::vector<int> idByStyle_;            // the number format id
};

}  // namespace pv::host
