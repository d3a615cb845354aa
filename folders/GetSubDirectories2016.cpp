#include "folders/GetSubDirectories2016.h"

#include <exception>

#include "core/Dialogs.h"
#include "core/Error.h"
#include "core/ErrorReport.h"
#include "core/EventHook.h"
#include "folders/FileAttributes.h"
#include "folders/FolderErrors.h"
#include "folders/FolderReader.h"
#include "folders/HasUnsafeCharacters.h"

namespace pv {

namespace {

constexpr qsizetype kMaxPathLength = 260;

bool isHiddenSystemFolder(int attributes) {
    return attributes == attributes::kHiddenSystemFolder ||
           attributes == attributes::kHiddenSystemLink;
}

bool dropsFolderFromList(int failureNumber) {
    return failureNumber == number(FolderError::PermissionDenied) ||
           failureNumber == number(FolderError::PathNotFound);
}

// One call works on one level; the level below is a call of its own, as each level has its own
// failure mode: failures are reported until the first folder of the level may be listed, and
// from then on decide only whether the folder that failed stays in the list.
class LevelWalk {
  public:
    explicit LevelWalk(const WalkServices& services) : services_(services) {}

    void extend(QStringList& folders, bool recurse) {
        QStringList found;  // line 104
        const QStringList entries = folders;
        for (const QString& folder : entries) {  // line 106
            if (stopped())
                return;
            try {
                collectSubFolders(folder, found);
            } catch (const Error& e) {
                handleFailure(folders, folder, e.description(), e.number());
            } catch (const std::exception& e) {
                handleFailure(folders, folder, e.what(), 0);
            }
        }
        line_ = 150;
        if (stopped())
            return;
        if (recurse && !found.isEmpty())
            LevelWalk(services_).extend(found, true);
        listingMode_ = false;
        appendWalkable(folders, found);
    }

  private:
    bool stopped() const { return services_.stopped && services_.stopped(); }

    void collectSubFolders(const QString& folder, QStringList& found) {
        line_ = 108;
        if (!services_.reader.folderExists(folder))
            return;
        line_ = 110;
        if (folder.size() >= kMaxPathLength)
            return;
        line_ = 114;
        EventHook::letEventsThrough();
        line_ = 116;
        if (!services_.reader.isRootFolder(folder) &&
            isHiddenSystemFolder(services_.reader.attributes(folder)))
            return;
        listingMode_ = true;
        line_ = 118;
        for (const auto& sub : services_.reader.subFolders(folder)) {
            EventHook::letEventsThrough();
            if (stopped())
                return;
            if (sub.isReparsePoint || HasUnsafeCharacters(QByteArrayView(sub.nativeName)))
                continue;
            const QString name = QString::fromUtf8(sub.nativeName);
            if (name.size() >= kMaxPathLength || name == u"." || name == u"..")
                continue;
            found.append(folder + name + u'/');
        }
    }

    void handleFailure(QStringList& folders, const QString& folder, const std::string& description,
                       int number) {
        if (!listingMode_) {
            report(description);
            return;
        }
        if (services_.unlisted)
            services_.unlisted(folder, number, description);
        if (dropsFolderFromList(number))
            folders.removeOne(folder);
    }

    void appendWalkable(QStringList& folders, const QStringList& found) {
        for (const QString& folder : found) {
            line_ = 152;
            // Gone since it was listed: nothing left to add from it.
            if (!services_.reader.folderExists(folder))
                continue;
            EventHook::letEventsThrough();
            line_ = 156;
            bool walkable = true;
            try {
                walkable = services_.reader.isRootFolder(folder) ||
                           !isHiddenSystemFolder(services_.reader.attributes(folder));
            } catch (const Error& e) {
                report(e.description());
            } catch (const std::exception& e) {
                report(e.what());
            }
            if (walkable)
                folders.append(folder);
        }
    }

    void report(const std::string& description) const {
        services_.dialogs.message(errorReportText(description, kWalkLocation, line_),
                                  kErrorReportTitle, MessageIcon::Warning);
    }

    const WalkServices& services_;
    bool listingMode_ = false;
    int line_ = 100;
};

}  // namespace

void GetSubDirectories2016(QStringList& folders, bool recurse, const WalkServices& services) {
    LevelWalk(services).extend(folders, recurse);
}

}  // namespace pv
