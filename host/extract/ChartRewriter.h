#pragma once
// Charts of a sheet that is leaving its workbook: series that read other sheets keep the data
// they showed, as literal values from their caches; pivot-chart links and extension data that
// point elsewhere go.
#include <optional>
#include <string>

namespace pv::host {

class SheetScope;
class ZipReader;

// The chart part rewritten, or nothing when it refers only to the kept sheet.
std::optional<std::string> rewriteChart(const ZipReader& zip, const std::string& part,
                                        const SheetScope& scope);

}  // namespace pv::host
