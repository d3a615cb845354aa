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
    // "12.50%", "$1,234.50". Dates and times keep formatNumber's form.
    std::string formatShown(double value, int style, bool date1904) const;

  private:
    enum class Shows { Number, Date, Time, ElapsedTime };
    std::vector<Shows> byStyle_;
    std::vector<std::string> codeByStyle_;  // the number format code; "" for General
};

}  // namespace pv::host
