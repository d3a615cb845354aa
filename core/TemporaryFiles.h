#pragma once
// Files a program writes under a temporary name until they are complete. A signal that ends the
// program at once must not leave them behind: its handler removes every one still registered,
// with async-signal-safe calls only.
#include <string>

namespace pv {

// Registers `path` while it lives (the object keeps its own copy of the name).
class TemporaryFile {
  public:
    explicit TemporaryFile(std::string path);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

  private:
    std::string path_;
    int slot_ = -1;  // -1 when every slot was taken: the file is then not removed on a signal
};

// Unlinks every registered file; safe to call from a signal handler.
void removeTemporaryFilesNow() noexcept;

}  // namespace pv
