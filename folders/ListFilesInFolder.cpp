#include "folders/ListFilesInFolder.h"

#include <QStringDecoder>

#include "core/Error.h"
#include "folders/DirectoryEntries.h"
#include "folders/FolderErrors.h"
#include "folders/IsExistingFile.h"
#include "folders/WildcardMatch.h"

namespace pv {

NameArray ListFilesInFolder(const QString& folder, const QString& pattern) {
    const QString prefix = folder.endsWith(u'/') ? folder : folder + u'/';
    std::vector<DirectoryEntry> entries;
    try {
        entries = ReadDirectoryEntries(prefix);
    } catch (const Error& e) {
        if (e.number() == pv::number(FolderError::PathNotFound))
            return {};
        throw;
    }
    QStringList names;
    for (const auto& entry : entries) {
        if (entry.kind == DirectoryEntry::Kind::Folder ||
            entry.kind == DirectoryEntry::Kind::FolderLink)
            continue;
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString name = decoder.decode(entry.nativeName);
        if (decoder.hasError() || !WildcardMatch(name, pattern))
            continue;
        if (IsExistingFile(prefix + name))
            names.append(name);
    }
    return NameArray(std::move(names));
}

}  // namespace pv
