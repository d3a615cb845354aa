#pragma once
// Small stateless path routines shared by the window's commands and the split run. Paths are
// texts with the platform's separator; the separator is a parameter so that the routines behave
// the same for backslash paths wherever they run.
#include <QChar>
#include <QDir>
#include <QString>

namespace pv {

// One pass that turns every pair of separators into one, scanning left to right without overlap
// (a run of three becomes two). With backslashes a leading run marks a network path: it comes back
// as exactly two backslashes. A leading run of slashes is no network path, so it collapses too.
QString NormalizePath(const QString& path, QChar separator = QDir::separator());

// True when a file or folder of that name exists; never fails.
bool PathExists(const QString& path);

// True only for an existing folder (following links); never fails.
bool FolderExists(const QString& path);

// The text after the last separator; a path without one comes back whole.
QString FileNameFromPath(const QString& path, QChar separator = QDir::separator());

// The desktop folder `desktopFolder` (as the system gives it) followed by one separator.
// Throws pv::Error(FolderError::DesktopNotFound) when the system gave none.
QString DesktopPathFrom(const QString& desktopFolder, QChar separator = QDir::separator());

// The folder outputs go to by default: the user's desktop folder as the system gives it, or the
// home folder when that does not exist (a fresh account may have none), as the desktop's own
// user-folder rules fall back to it.
QString UserDesktopFolder();

// The current user's desktop folder (UserDesktopFolder) followed by one separator.
QString GetDesktopPath(QChar separator = QDir::separator());

// A typed "~" alone or "~" + separator at the start stands for the home folder; any other text
// comes back unchanged ("~ann/" is no home folder here).
QString ExpandHomeFolder(const QString& path, QChar separator = QDir::separator());

}  // namespace pv
#include "folders/FolderErrors.h"
