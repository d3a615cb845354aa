#pragma once
// Parts beside the sheet whose formulas can point at other sheets, written again without those
// references: chartEx data (the cached points stay), form-control links and list ranges (also
// those of legacy VML drawings), and a pivot cache's worksheet source. Each returns nothing when
// the part refers only to the kept sheet.
#include <optional>
#include <string>

namespace pv::host {

class SheetScope;
class ZipReader;

std::optional<std::string> rewriteChartEx(const ZipReader& zip, const std::string& part,
                                          const SheetScope& scope);
std::optional<std::string> rewriteControlProperties(const ZipReader& zip, const std::string& part,
                                                    const SheetScope& scope);
std::optional<std::string> rewriteVmlControlLinks(const ZipReader& zip, const std::string& part,
                                                  const SheetScope& scope);
std::optional<std::string> rewritePivotCacheSource(const ZipReader& zip, const std::string& part,
                                                   const SheetScope& scope);

}  // namespace pv::host
