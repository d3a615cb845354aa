#pragma once
// The per-user store of named text values, application "Orvantis", section "Pellavine".
// Nothing is cached: every read asks the store, every write reaches it at once.
#include <QString>

namespace pv {

class SettingsStore {
  public:
    // The user's store ($XDG_CONFIG_HOME/Orvantis/Pellavine.conf on Linux).
    SettingsStore();
    // The store under `configFolder` (configFolder/Orvantis/Pellavine.conf); for tests.
    explicit SettingsStore(QString configFolder);

    // The stored value, or `fallback` when the key was never written. A stored empty text
    // reads back as the empty text.
    QString read(const QString& key, const QString& fallback) const;
    // Stores `value` under `key`, replacing any earlier value. Throws pv::Error when the store
    // refuses the write.
    void write(const QString& key, const QString& value);

    // Where the values live.
    QString fileName() const;

  private:
    QString configFolder_;
};

}  // namespace pv
#include "app/AppErrors.h"
