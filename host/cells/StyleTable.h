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

  private:
    enum class Shows { Number, Date, Time, ElapsedTime };
    std::vector<Shows> byStyle_;
};

}  // namespace pv::host
