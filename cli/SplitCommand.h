#pragma once
// The command line as a function, so tests run it in-process.
#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace pv {
class FolderReader;
}

namespace pv::cli {

// Exit status: 0 all saved, 1 some step failed or some folder could not be read, 2 usage error.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// The same with folder inputs walked through `folders` (tests fake refusals through it).
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const FolderReader& folders);
// The same with "--files-from -" reading `in`.
int run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err, const FolderReader& folders);

}  // namespace pv::cli
