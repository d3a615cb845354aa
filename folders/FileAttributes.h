#pragma once
// The attribute bits the folder services test, read from a POSIX file system:
// read-only = no owner write bit, hidden = name starting with ".", directory, archive = regular
// file, reparse point = symbolic link. The system bit never occurs here.
#include <QString>

namespace pv::attributes {

inline constexpr int kReadOnly = 1;
inline constexpr int kHidden = 2;
inline constexpr int kSystem = 4;
inline constexpr int kDirectory = 16;
inline constexpr int kArchive = 32;
inline constexpr int kReparsePoint = 1024;

// Hidden system folders, with or without a reparse point: never walked below the start.
inline constexpr int kHiddenSystemFolder = kDirectory | kSystem | kHidden;
inline constexpr int kHiddenSystemLink = kHiddenSystemFolder | kReparsePoint;
// A hidden, writable regular file: left out when a folder's files are added.
inline constexpr int kHiddenArchiveFile = kArchive | kHidden;

}  // namespace pv::attributes

namespace pv {

// The attributes of the file or folder at `path` (without a trailing separator, except a root).
// A symbolic link reports the reparse point and the kind of its target. Throws pv::Error when the
// path cannot be read (folder_errors numbers).
int FileAttributes(const QString& path);

}  // namespace pv
