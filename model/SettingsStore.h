#pragma once

#include <QList>
#include <QPair>
#include <QString>

namespace mg {

// Per-user string settings addressed by section and key, under the one
// application name "Quillmark KV700 Marrowgate". The store never reports a
// failure: what cannot be read reads as the default.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual QString GetSetting(const QString &section, const QString &key,
                               const QString &defaultValue = QString()) const = 0;
    virtual void SaveSetting(const QString &section, const QString &key, const QString &value) = 0;
    // Every key of the section with its value, in storage order; empty when
    // the section holds nothing.
    virtual QList<QPair<QString, QString>> GetAllSettings(const QString &section) const = 0;
};

} // namespace mg
