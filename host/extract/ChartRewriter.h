#pragma once
// Charts of a sheet that is leaving its workbook: series that read other sheets keep the data
// they showed, as literal values from their caches, or from those sheets' cells when written
// without a cache; pivot-chart links and extension data that point elsewhere go.
#include <optional>
#include <set>
#include <string>

namespace pv::host {

class OtherSheetCells;
class SheetScope;
class ZipReader;

// The chart part rewritten, or nothing when it refers only to the kept sheet; without the text
// hyperlinks that use `droppedLinks`. `otherSheets` (may be null) gives the cells of references
// written without a cache.
std::optional<std::string> rewriteChart(const ZipReader& zip, const std::string& part,
                                        const SheetScope& scope,
                                        const std::set<std::string>& droppedLinks = {},
                                        OtherSheetCells* otherSheets = nullptr);

}  // namespace pv::host
