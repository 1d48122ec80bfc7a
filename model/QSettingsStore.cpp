#include "QSettingsStore.h"

#include <QStringList>

namespace mg {

namespace {

// A hand-edited value with a comma reads back from INI as a list; the store
// only knows strings, so it gets its text back.
QString asText(const QVariant &value)
{
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

} // namespace

QSettingsStore::QSettingsStore()
    // The name goes in as the organisation with no application, which makes
    // Qt use the one file "<name>.ini" directly in the configuration folder.
    : m_settings(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                             QString::fromLatin1(ApplicationName)))
{
    // Per-user only: no values seep in from a machine-wide file.
    m_settings->setFallbacksEnabled(false);
}

QSettingsStore::QSettingsStore(const QString &iniFile)
    : m_settings(std::make_unique<QSettings>(iniFile, QSettings::IniFormat))
{
}

QString QSettingsStore::fileName() const
{
    return m_settings->fileName();
}

QString QSettingsStore::GetSetting(const QString &section, const QString &key,
                                   const QString &defaultValue) const
{
    const QVariant value = m_settings->value(section + QLatin1Char('/') + key);
    if (!value.isValid())
        return defaultValue;
    return asText(value);
}

void QSettingsStore::SaveSetting(const QString &section, const QString &key, const QString &value)
{
    m_settings->setValue(section + QLatin1Char('/') + key, value);
    // Written at once: another store object (another window) reads the file,
    // and a crash must not lose a setting the operator confirmed.
    m_settings->sync();
}

QList<QPair<QString, QString>> QSettingsStore::GetAllSettings(const QString &section) const
{
    QList<QPair<QString, QString>> pairs;
    m_settings->beginGroup(section);
    const QStringList keys = m_settings->childKeys();
    for (const QString &key : keys)
        pairs.append({key, asText(m_settings->value(key))});
    m_settings->endGroup();
    return pairs;
}

} // namespace mg
