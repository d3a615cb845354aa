#include "app/ApplicationTitle.h"

namespace pv {

namespace {
QString& storedTitle() {
    static QString title = kProductTitle;
    return title;
}
}  // namespace

QString shortenedApplicationTitle(const QString& productTitle) {
    QString title = productTitle;
    do {
        const qsizetype space = title.lastIndexOf(u' ');
        if (space < 0)
            break;
        title.truncate(space);
    } while (title.size() > kApplicationTitleMaxLength);
    return title;
}

QString applicationTitle() {
    return storedTitle();
}

void setApplicationTitle(const QString& title) {
    storedTitle() = title;
}

}  // namespace pv
