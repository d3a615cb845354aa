#pragma once
// The workbook's list of threaded-comment authors, cut down to the people the kept sheet's
// threaded comments name (as authors or mentions): the others are other sheets' authors.
#include <string>
#include <vector>

namespace pv::host {

class ZipReader;

std::string filterPersons(const ZipReader& zip, const std::string& personsPart,
                          const std::vector<std::string>& threadedCommentParts);

}  // namespace pv::host
