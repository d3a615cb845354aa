#include "host/zip/FileNameLimit.h"

#if __has_include(<unistd.h>)
#include <unistd.h>
#endif

namespace pv::host {

namespace {

constexpr std::size_t kUsualNameLimit = 255;

bool isUtf8Continuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

}  // namespace

std::size_t fileNameLimit(const std::filesystem::path& folder) {
#if defined(_PC_NAME_MAX)
    const std::filesystem::path asked = folder.empty() ? std::filesystem::path(".") : folder;
    const long limit = ::pathconf(asked.c_str(), _PC_NAME_MAX);
    if (limit > 0) {
        return static_cast<std::size_t>(limit);
    }
#else
    (void)folder;
#endif
    return kUsualNameLimit;
}

std::string cutToBytes(std::string text, std::size_t bytes) {
    if (text.size() <= bytes) {
        return text;
    }
    std::size_t end = bytes;
    while (end > 0 && isUtf8Continuation(text[end])) {
        --end;
    }
    text.resize(end);
    return text;
}

}  // namespace pv::host
