#include "app/SkinFramework.h"

#include <QApplication>
#include <QFile>

#include "app/AppErrors.h"
#include "core/Error.h"

namespace pv {

SkinFramework::SkinFramework(QObject* parent) : QObject(parent) {}

void SkinFramework::loadSkin(const QString& path, const QString& /*section*/) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw Error(AppError::SkinFileUnreadable, "Cannot read skin file " + path.toStdString() +
                                                      ": " + file.errorString().toStdString());
    styleSheet_ = QString::fromUtf8(file.readAll());
    skinPath_ = path;
}

void SkinFramework::applyWindow(QWidget* window) {
    if (!window || !(applyOptions_ & kSkinEnabled))
        return;
    window->setStyleSheet(styleSheet_);
    if ((applyToDialogs_ || applyToNewWindows_) && qApp)
        qApp->setStyleSheet(styleSheet_);
}

}  // namespace pv
