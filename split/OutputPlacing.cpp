#include "split/OutputPlacing.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <atomic>
#include <random>

#include "core/Error.h"
#include "split/OutputNaming.h"
#include "split/SplitErrors.h"

namespace pv::split {

std::string temporaryOutputName(const std::string& target) {
    // The process id and a counter keep names apart within this machine; the random part
    // keeps them apart across machines sharing the folder.
    static std::atomic<unsigned> counter{0};
    static const unsigned long long salt = std::random_device{}();
    const std::size_t separator = target.find_last_of("/\\");
    const std::string folder =
        separator == std::string::npos ? "" : target.substr(0, separator + 1);
    return folder + ".pellavine-" + std::to_string(::getpid()) + "-" +
           std::to_string(salt % 1000000) + "-" + std::to_string(++counter) +
           (extensionDot(target) == std::string::npos ? "" : target.substr(extensionDot(target)));
}

bool moveToFreeName(const std::string& from, const std::string& to) {
    const auto fail = [&] {
        throw Error(SplitError::CannotPlaceOutput,
                    to + ": the finished output could not be moved into place (" +
                        std::strerror(errno) + ")");
    };
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    // File systems without the flag (some network ones) refuse it: a hard link never replaces.
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        fail();
#endif
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return true;
    }
    if (errno == EEXIST)
        return false;
    if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP && errno != ENOSYS)
        fail();
    // A file system with neither (some shares, removable media): a check and a plain rename,
    // which leaves a moment in which another run's file of the same name could be replaced.
    struct stat existing {};
    if (::lstat(to.c_str(), &existing) == 0)
        return false;
    if (::rename(from.c_str(), to.c_str()) != 0)
        fail();
    return true;
}

}  // namespace pv::split
