#pragma once
// Charts of a sheet that is leaving its workbook: series that read other sheets keep the data
// they showed, as literal values from their caches; pivot-chart links and extension data that
// point elsewhere go.
#include <optional>
#include <set>
#include <string>

namespace pv::host {

class SheetScope;
class ZipReader;

// The chart part rewritten, or nothing when it refers only to the kept sheet; without the text
// hyperlinks that use `droppedLinks`.
std::optional<std::string> rewriteChart(const ZipReader& zip, const std::string& part,
                                        const SheetScope& scope,
                                        const std::set<std::string>& droppedLinks = {});

}  // namespace pv::host
