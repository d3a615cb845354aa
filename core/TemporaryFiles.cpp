#include "core/TemporaryFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <utility>

namespace pv {

namespace {

// One slot per file being written at once: the savers of a run write a handful.
constexpr int kSlots = 256;
std::array<std::atomic<const char*>, kSlots> slots{};

}  // namespace

TemporaryFile::TemporaryFile(std::string path) : path_(std::move(path)) {
    for (int i = 0; i < kSlots; ++i) {
        const char* expected = nullptr;
        if (slots[i].compare_exchange_strong(expected, path_.c_str())) {
            slot_ = i;
            return;
        }
    }
}

TemporaryFile::~TemporaryFile() {
    if (slot_ >= 0) {
        slots[slot_].store(nullptr);
    }
}

namespace {

// Removes `path` and every "<path>.*" beside it (a library writing the file may use such a
// name of its own), with system calls only.
void removeWithCompanions(const char* path) {
    ::unlink(path);
    std::size_t length = 0;
    std::size_t slash = 0;
    bool hasSlash = false;
    for (; path[length] != '\0'; ++length) {
        if (path[length] == '/') {
            slash = length;
            hasSlash = true;
        }
    }
    char folder[4096];
    const std::size_t folderLength = hasSlash ? (slash == 0 ? 1 : slash) : 1;
    if (folderLength >= sizeof folder) {
        return;
    }
    for (std::size_t i = 0; i < folderLength; ++i) {
        folder[i] = hasSlash ? path[i] : '.';
    }
    folder[folderLength] = '\0';
    const char* base = hasSlash ? path + slash + 1 : path;
    const std::size_t baseLength = length - static_cast<std::size_t>(base - path);
    const int dir = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        return;
    }
    alignas(8) char buffer[8192];
    for (;;) {
        const long n = ::syscall(SYS_getdents64, dir, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        for (long at = 0; at < n;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
            const char* name = entry->d_name;
            bool companion = true;
            for (std::size_t i = 0; i < baseLength && companion; ++i) {
                companion = name[i] == base[i];
            }
            if (companion && name[baseLength] == '.') {
                ::unlinkat(dir, name, 0);
            }
            at += entry->d_reclen;
        }
    }
    ::close(dir);
}

}  // namespace

void removeTemporaryFilesNow() noexcept {
    for (auto& slot : slots) {
        if (const char* path = slot.load()) {
            removeWithCompanions(path);
        }
    }
}

}  // namespace pv
