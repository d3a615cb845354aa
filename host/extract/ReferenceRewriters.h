#pragma once
// Parts beside the sheet whose formulas can point at other sheets, written again without those
// references: chartEx data (the cached points stay), form-control links and list ranges (also
// those of legacy VML drawings), a pivot cache's worksheet source, and a table's column and
// totals formulas (the cells keep what they showed). Each returns nothing when the part refers
// only to the kept sheet. And drawings without their hyperlinks to other sheets.
#include <optional>
#include <set>
#include <string>

#include "host/xml/XmlDocument.h"

namespace pv::host {

class SheetScope;
class ZipReader;

// Also without the text hyperlinks that use `droppedLinks`.
std::optional<std::string> rewriteChartEx(const ZipReader& zip, const std::string& part,
                                          const SheetScope& scope,
                                          const std::set<std::string>& droppedLinks = {});
std::optional<std::string> rewriteControlProperties(const ZipReader& zip, const std::string& part,
                                                    const SheetScope& scope);
std::optional<std::string> rewriteVmlControlLinks(const ZipReader& zip, const std::string& part,
                                                  const SheetScope& scope);
std::optional<std::string> rewritePivotCacheSource(const ZipReader& zip, const std::string& part,
                                                   const SheetScope& scope);
std::optional<std::string> rewriteTable(const ZipReader& zip, const std::string& part,
                                        const SheetScope& scope);

// Removes the shapes' and text runs' hyperlinks (a:hlinkClick, a:hlinkHover) that use one of
// `relationshipIds`; true when there were any.
bool dropLinks(pugi::xml_node root, const std::set<std::string>& relationshipIds);
// A drawing (or a chart's shapes) without those hyperlinks.
std::optional<std::string> rewriteLinks(const ZipReader& zip, const std::string& part,
                                        const std::set<std::string>& relationshipIds);

}  // namespace pv::host
