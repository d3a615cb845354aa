#pragma once
// The workbook's data connections, cut down to those the kept sheet's query tables use: the
// others carry other sheets' names, commands and columns. A parameter read from another sheet's
// cell cannot be bound in the one-sheet workbook; it asks for its value instead.
#include <string>
#include <vector>

namespace pv::host {

class SheetScope;
class ZipReader;

std::string filterConnections(const ZipReader& zip, const std::string& connectionsPart,
                              const std::vector<std::string>& queryTableParts,
                              const SheetScope& scope);

}  // namespace pv::host
