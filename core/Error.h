#pragma once
// The one failure type of the program: a number and a description, as the error report shows them.
#include <stdexcept>
#include <string>
#include <utility>

#include "core/ErrorCode.h"

namespace pv {

// Number ranges, one per layer, so a number alone tells where a failure came from; each layer
// keeps its numbers in one enumeration (see core/ErrorCode.h):
//   1000-1999 the engine (host/zip, xml, package and cells: their *Errors.h; host/HostErrors.h)
//   2000-2999 folder services (folders/FolderErrors.h)
//   3000-3599 the split run and naming (split/SplitErrors.h)
//   3600-3699 the LibreOffice bridge (office/)
//   4000-4999 window shell, settings, dialogs (app/AppErrors.h)
//   5000-5999 command line (cli/)
class Error : public std::runtime_error {
  public:
    Error(int number, std::string description);
    template <ErrorCode Code>
    Error(Code code, std::string description) : Error(pv::number(code), std::move(description)) {}

    int number() const noexcept { return number_; }
    const std::string& description() const noexcept { return description_; }
    // The same failure with every `from` in its description read as `to`: a file written or read
    // under a stand-in name is reported under the name the user knows.
    Error renamed(const std::string& from, const std::string& to) const;

  private:
    int number_;
    std::string description_;
};

}  // namespace pv
