#pragma once
// Outputs are written under a temporary name in the output folder and then moved to the name
// the run chose, without ever replacing a file: another run, or another program, may create
// that name between the run's look-up and the move, and its file must survive.
#include <string>

namespace pv::split {

// A hidden name beside `target`, unique to this process and call, with the target's extension
// (which picks the format the output is written in).
std::string temporaryOutputName(const std::string& target);

// Moves `from` to `to` when no directory entry named `to` exists, in one step; false (and
// `from` left as it is) when one does. Throws pv::Error (SplitError::CannotPlaceOutput) naming
// `to` for any other failure.
bool moveToFreeName(const std::string& from, const std::string& to);

}  // namespace pv::split
