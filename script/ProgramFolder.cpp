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

} // namespace

ProgramFolderResult LocateProgramFolder()
{
    QSettings settings(QSettings::IniFormat, QSettings::SystemScope, QStringLiteral("Brenholt"),
                       QStringLiteral("Quillmark KV700 Marrowgate"));
    // Only the application's own file counts: a "Target" in the
    // organisation-wide file belongs to some other program of the maker.
    settings.setFallbacksEnabled(false);

    const QFileInfo file(settings.fileName());
    if (!file.exists())
        return {true, QCoreApplication::applicationDirPath()};
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
