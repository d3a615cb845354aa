#pragma once
// The command line as a function, so tests run it in-process.
#include <ostream>
#include <string>
#include <vector>

namespace pv::cli {

// Exit status: 0 all saved, 1 some step failed, 2 usage error.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace pv::cli
