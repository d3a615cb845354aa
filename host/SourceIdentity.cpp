#include "host/SourceIdentity.h"

#include <system_error>

namespace pv::host {

SourceIdentity identifySource(const std::filesystem::path& file) {
    namespace fs = std::filesystem;
    std::error_code ec;
    SourceIdentity identity;
    fs::path resolved = fs::canonical(file, ec);
    if (ec) {
        resolved = fs::absolute(file, ec).lexically_normal();
    }
    identity.path = resolved.string();
    const auto size = fs::file_size(resolved, ec);
    if (ec) {
        return identity;
    }
    const auto time = fs::last_write_time(resolved, ec);
    if (ec) {
        return identity;
    }
    identity.size = size;
    identity.modified = time.time_since_epoch().count();
    identity.exists = true;
    return identity;
}

}  // namespace pv::host
