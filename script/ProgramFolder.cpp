#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace mg {

const QString ProgramFolderErrorText =
    QStringLiteral("レジストリを読み出し中にエラーが発生しました。\r\nプログラムを終了します。");

namespace {

bool isReadableFolder(const QFileInfo &info)
{
    // Listing needs read, reaching the encoder inside needs search.
    return info.isDir() && info.isReadable() && info.isExecutable();
}

// The machine-wide settings file: the first folder of the configuration
// search path that holds it. Qt's own system scope looks in the first folder
// only, and desktops put folders of their own in front of /etc/xdg.
QString machineSettingsFile()
{
    const QString relative = QStringLiteral("Brenholt/Quillmark KV700 Marrowgate.ini");
    // QSettings' own idea of the file, where a test points the system scope.
    const QString own = QSettings(QSettings::IniFormat, QSettings::SystemScope, QStringLiteral("Brenholt"),
                                  QStringLiteral("Quillmark KV700 Marrowgate"))
                            .fileName();
    QStringList candidates{own};
    QString dirs = qEnvironmentVariable("XDG_CONFIG_DIRS");
    if (dirs.isEmpty())
        dirs = QStringLiteral("/etc/xdg");
    for (const QString &dir : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        candidates << dir + QLatin1Char('/') + relative;
    for (const QString &candidate : std::as_const(candidates))
        if (QFileInfo::exists(candidate))
            return candidate;
    return QString();
}

} // namespace

ProgramFolderResult locateProgramFolder()
{
    const QString path = machineSettingsFile();
    if (path.isEmpty())
        return {true, QCoreApplication::applicationDirPath()};
    // Only the application's own file counts: a "Target" in the
    // organisation-wide file belongs to some other program of the maker.
    QSettings settings(path, QSettings::IniFormat);
    const QFileInfo file(path);
    // QSettings quietly reads a directory or an unopenable file as empty;
    // that must not pass for "no Target" and run some other encoder.
    if (!file.isFile() || !file.isReadable() || settings.status() != QSettings::NoError)
        return {};

    const QString key = QStringLiteral("Target");
    if (!settings.contains(key))
        return {true, QCoreApplication::applicationDirPath()};
    // An unquoted comma makes the INI value a list; no folder reads that way.
    const QVariant value = settings.value(key);
    if (value.typeId() != QMetaType::QString)
        return {};
    const QString target = value.toString();
    if (target.isEmpty())
        return {};
    const QFileInfo folder(target);
    if (!isReadableFolder(folder))
        return {};
    return {true, QDir::cleanPath(folder.absoluteFilePath())};
}

} // namespace mg
