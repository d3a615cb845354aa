#include "folders/DirectoryEntries.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <utility>

#include "folders/PosixError.h"

namespace pv {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

DirectoryEntry::Kind kindOf(const struct stat& st, DirectoryEntry::Kind folderKind) {
    if (S_ISDIR(st.st_mode))
        return folderKind;
    return S_ISREG(st.st_mode) ? DirectoryEntry::Kind::File : DirectoryEntry::Kind::Other;
}

DirectoryEntry::Kind kindOf(int dirFd, const char* name, unsigned char type) {
    using Kind = DirectoryEntry::Kind;
    if (type == DT_DIR)
        return Kind::Folder;
    if (type == DT_REG)
        return Kind::File;
    if (type != DT_LNK && type != DT_UNKNOWN)
        return Kind::Other;
    struct stat st {};
    if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return Kind::Other;
    if (!S_ISLNK(st.st_mode))
        return kindOf(st, Kind::Folder);
    if (::fstatat(dirFd, name, &st, 0) != 0)
        return Kind::Other;  // dangling link
    return kindOf(st, Kind::FolderLink);
}

void sortByName(std::vector<DirectoryEntry>& entries) {
    std::vector<std::pair<QString, DirectoryEntry>> keyed;
    keyed.reserve(entries.size());
    for (auto& e : entries)
        keyed.emplace_back(QString::fromUtf8(e.nativeName), std::move(e));
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        const int order = QString::compare(a.first, b.first, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a.second.nativeName < b.second.nativeName;
    });
    for (std::size_t i = 0; i < keyed.size(); ++i)
        entries[i] = std::move(keyed[i].second);
}

}  // namespace

std::vector<DirectoryEntry> ReadDirectoryEntries(const QString& folder) {
    const QByteArray native = QFile::encodeName(folder);
    std::unique_ptr<DIR, DirCloser> dir(::opendir(native.constData()));
    if (!dir)
        throw PosixError(errno, "Cannot list the folder", folder);

    std::vector<DirectoryEntry> entries;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (!entry) {
            if (errno != 0)
                throw PosixError(errno, "Cannot list the folder", folder);
            sortByName(entries);
            return entries;
        }
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        entries.push_back({name, kindOf(::dirfd(dir.get()), entry->d_name, entry->d_type)});
    }
}

}  // namespace pv
