#pragma once
// Disks a test can make fail: a file system of 16 KiB, and the temporary folder moved there.
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "support/TestEnv.h"

namespace pv::test {

// A file system of 16 KiB, mounted for the test that holds it (tests run as root); mounted() is
// false where mounting is not allowed.
class SmallDisk {
  public:
    SmallDisk() {
        mounted_ = pv::test::runCommand("mount -t tmpfs -o size=16k tmpfs " +
                                        pv::test::shellQuote(path().string()) + " 2>&1") == 0;
    }
    ~SmallDisk() {
        if (mounted_) {
            pv::test::runCommand("umount " + pv::test::shellQuote(path().string()));
        }
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    const std::filesystem::path& path() const { return dir_.path(); }
    // A file of `name` taking `kib` KiB, or what is left when that is nothing.
    void fill(const std::string& name, int kib = 0) const {
        pv::test::runCommand(
            "dd if=/dev/zero of=" + pv::test::shellQuote((path() / name).string()) + " bs=1k" +
            (kib > 0 ? " count=" + std::to_string(kib) : "") + " 2>/dev/null");
    }

  private:
    pv::test::TempDir dir_;
    bool mounted_ = false;
};

// TMPDIR pointed at `folder` while this lives.
class TmpdirAt {
  public:
    explicit TmpdirAt(const std::filesystem::path& folder) {
        if (const char* old = std::getenv("TMPDIR")) {
            old_ = old;
        }
        ::setenv("TMPDIR", folder.string().c_str(), 1);
    }
    ~TmpdirAt() {
        if (old_) {
            ::setenv("TMPDIR", old_->c_str(), 1);
        } else {
            ::unsetenv("TMPDIR");
        }
    }
    TmpdirAt(const TmpdirAt&) = delete;
    TmpdirAt& operator=(const TmpdirAt&) = delete;

  private:
    std::optional<std::string> old_;
};

}  // namespace pv::test
