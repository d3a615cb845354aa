#include "app/SettingsStore.h"

#include <QSettings>
#include <memory>

#include "app/AppErrors.h"
#include "core/Error.h"

namespace pv {

namespace {

constexpr const char* kOrganisation = "Orvantis";
constexpr const char* kApplication = "Pellavine";

std::unique_ptr<QSettings> openStore(const QString& configFolder) {
    if (configFolder.isEmpty())
        return std::make_unique<QSettings>(kOrganisation, kApplication);
    return std::make_unique<QSettings>(
        configFolder + "/" + kOrganisation + "/" + kApplication + ".conf", QSettings::IniFormat);
}

}  // namespace

SettingsStore::SettingsStore() = default;

SettingsStore::SettingsStore(QString configFolder) : configFolder_(std::move(configFolder)) {}

QString SettingsStore::read(const QString& key, const QString& fallback) const {
    const auto store = openStore(configFolder_);
    return store->contains(key) ? store->value(key).toString() : fallback;
}

void SettingsStore::write(const QString& key, const QString& value) {
    const auto store = openStore(configFolder_);
    store->setValue(key, value);
    store->sync();
    if (store->status() != QSettings::NoError)
        throw Error(AppError::SettingsWriteFailed, "Cannot store setting " + key.toStdString() +
                                                       " in " + store->fileName().toStdString());
}

QString SettingsStore::fileName() const {
    return openStore(configFolder_)->fileName();
}

}  // namespace pv
