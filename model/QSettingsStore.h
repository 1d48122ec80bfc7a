#pragma once

#include "SettingsStore.h"

#include <QSettings>
#include <memory>

namespace mg {

// The per-user settings in an INI file: ~/.config/<application name>.ini
// (XDG_CONFIG_HOME when set), each section a group.
class QSettingsStore : public SettingsStore {
public:
    static constexpr const char *ApplicationName = "Quillmark KV700 Marrowgate";

    QSettingsStore();
    // The store in a given INI file instead of the user's.
    explicit QSettingsStore(const QString &iniFile);

    QString fileName() const;

    QString GetSetting(const QString &section, const QString &key,
                       const QString &defaultValue = QString()) const override;
    void SaveSetting(const QString &section, const QString &key, const QString &value) override;
    // In the file's order, which is alphabetical by key.
    QList<QPair<QString, QString>> GetAllSettings(const QString &section) const override;

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace mg
