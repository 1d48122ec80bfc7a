#include "ConfigurationFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <optional>

namespace mg {

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString ErrorTitle = QStringLiteral("エラー");

FileDialogRequest configurationRequest(const QString &title)
{
    FileDialogRequest request;
    request.title = title;
    request.filters = {{QStringLiteral("すべてのファイル (*.*)"), QStringLiteral("*.*")},
                       {QStringLiteral("設定ファイル (*.cfg)"), QStringLiteral("*.cfg")}};
    request.selectedFilter = 1;
    return request;
}

QString fileNameOf(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// The .rcf beside script file `name` (which has an extension) as a save
// names it: its extension in capitals when the script file's is, as in a
// pair copied from Windows ("OFFICE.CFG" and "OFFICE.RCF").
QString rcfNameFor(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = name.mid(dot + 1);
    const bool capitals = extension != extension.toLower() && extension == extension.toUpper();
    return name.left(dot + 1) + (capitals ? QStringLiteral("RCF") : QStringLiteral("rcf"));
}

QString writeError(const QString &path, const QString &reason)
{
    return QStringLiteral("ファイル「%1」に書き込めませんでした。").arg(path) + CrLf + reason + CrLf
           + QStringLiteral("保存する前のファイルは変更されていません。");
}

} // namespace

QString rcfPathFor(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash)
        return {};
    const QString folder = path.left(slash + 1);
    const QString name = path.mid(slash + 1);
    const QString spelled = rcfNameFor(name);
    const QString plain = path.mid(slash + 1, dot - slash - 1) + QStringLiteral(".rcf");
    for (const QString &candidate : {spelled, plain})
        if (QFileInfo::exists(folder + candidate))
            return folder + candidate;
    // The folder is listed only when neither spelling is there.
    const QStringList entries = QDir(folder.isEmpty() ? QStringLiteral(".") : folder)
                                    .entryList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name);
    for (const QString &entry : entries)
        if (entry.compare(plain, Qt::CaseInsensitive) == 0)
            return folder + entry;
    return folder + spelled;
}

RcfReadResult readRcfFile(const QString &rcfPath, const Configuration &current)
{
    RcfReadResult result;
    const auto fail = [&](const QString &reason) {
        const QString text = QStringLiteral("設定ファイル「%1」を開けませんでした。").arg(rcfPath) + CrLf + reason;
        result.error = {{text, ErrorTitle}, text, 0};
        return result;
    };
    const QFileInfo info(rcfPath);
    if (info.isDir())
        return fail(QStringLiteral("フォルダです。"));
    // A pipe would wait for a writer for ever, a device never ends.
    if (info.exists() && !info.isFile())
        return fail(QStringLiteral("通常のファイルではありません。"));
    QFile file(rcfPath);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    // Read one byte past the limit instead of trusting size(): the file may
    // grow while it is read.
    const QByteArray bytes = file.read(MaxRcfFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        return fail(file.errorString());
    return readRcf(bytes, current);
}

QString writeFilePair(const QString &firstPath, const QByteArray &first, const QString &secondPath,
                      const QByteArray &second)
{
    // Replacing a device or a pipe with a regular file would destroy it;
    // writing into it would not keep the configuration.
    for (const QString &path : {firstPath, secondPath}) {
        const QFileInfo info(path);
        if (info.exists() && !info.isFile())
            return writeError(path, QStringLiteral("通常のファイルではありません。"));
    }
    // Names that differ can still be one file through a link: the second
    // file would overwrite the first.
    const QFileInfo firstInfo(firstPath), secondInfo(secondPath);
    if (firstInfo.exists() && secondInfo.exists() && firstInfo.canonicalFilePath() == secondInfo.canonicalFilePath())
        return writeError(secondPath, QStringLiteral("「%1」と同じファイルです。").arg(firstPath));

    // Written data sits in a buffer until flushed; a disk that fills up then
    // must fail the save before either file takes its place, since the
    // commit does not report a failed final flush.
    QSaveFile a(firstPath);
    QSaveFile b(secondPath);
    if (!a.open(QIODevice::WriteOnly) || a.write(first) != first.size() || !a.flush())
        return writeError(firstPath, a.errorString());
    if (!b.open(QIODevice::WriteOnly) || b.write(second) != second.size() || !b.flush())
        return writeError(secondPath, b.errorString());

    // Kept to put back should the second file fail to take its place after
    // the first one did, so the pair never mixes old and new.
    std::optional<QByteArray> oldFirst;
    if (QFile old(firstPath); old.exists() && old.open(QIODevice::ReadOnly))
        oldFirst = old.readAll();

    if (!a.commit())
        return writeError(firstPath, a.errorString());
    if (!b.commit()) {
        const QString reason = b.errorString();
        if (oldFirst) {
            QSaveFile restore(firstPath);
            if (restore.open(QIODevice::WriteOnly) && restore.write(*oldFirst) == oldFirst->size()
                && restore.flush())
                restore.commit();
        } else {
            QFile::remove(firstPath);
        }
        return writeError(secondPath, reason);
    }
    return {};
}

QString writeFileSafely(const QString &path, const QByteArray &bytes)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return writeError(path, QStringLiteral("通常のファイルではありません。"));
    // Flushed before the commit for the same reason as the pair: the commit
    // does not report a failed final flush.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
        return writeError(path, file.errorString());
    if (!file.commit())
        return writeError(path, file.errorString());
    return {};
}

QString SaveConfiguration(Configuration &config, FileDialogPrompt &files, MessagePrompt &messages,
                          SettingsStore &settings, const ScriptGeneratorFunction &generate)
{
    config.SaveSucceeded = false;
    if (generate)
        config.CommandScript = generate(config);

    FileDialogRequest request = configurationRequest(QStringLiteral("設定の保存"));
    request.initialDirectory = settings.GetSetting(QStringLiteral("ConfigFile"), QStringLiteral("Directory"));
    request.initialFileName = config.ConfigFileName;
    const std::optional<QString> chosen = files.saveFileName(request);
    if (!chosen)
        return {};

    const QString &path = *chosen;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString name = fileNameOf(path);
    // The .rcf name is made from the extension; without one there is no
    // name to give it, and nothing is written at all.
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0) {
        messages.critical(QStringLiteral("ファイル名「%1」には拡張子がありません。").arg(name) + CrLf
                              + QStringLiteral("「.cfg」などの拡張子を付けて保存してください。"),
                          ErrorTitle);
        return {};
    }
    const QString rcfName = rcfNameFor(name);
    if (rcfName == name) {
        // Both files would be the same file: the settings would overwrite
        // the command script just written.
        messages.critical(QStringLiteral("ファイル名「%1」では、コマンドスクリプトと設定ファイル(.rcf)が同じファイルになります。")
                                  .arg(name)
                              + CrLf + QStringLiteral("「.cfg」などの別の拡張子を付けて保存してください。"),
                          ErrorTitle);
        return {};
    }
    settings.SaveSetting(QStringLiteral("ConfigFile"), QStringLiteral("Directory"),
                         slash < 0 ? QString() : slash == 0 ? QStringLiteral("/") : path.left(slash));

    Configuration saved = config;
    // The script must carry the entry the .rcf will hold. With the entry in
    // the list the generator has no ENAT question left to ask.
    if (saved.addAutomaticEnatEntry() && generate)
        saved.CommandScript = generate(saved);
    const RcfWriteResult script = writeScriptFile(saved.CommandScript);
    const RcfWriteResult rcf = writeRcf(saved);
    QString error = !script.ok ? script.errorText : !rcf.ok ? rcf.errorText : QString();
    if (error.isEmpty())
        error = writeFilePair(path, script.bytes, path.left(slash + 1) + rcfName, rcf.bytes);
    if (!error.isEmpty()) {
        messages.critical(error, ErrorTitle);
        return {};
    }

    config = saved;
    config.Saved = true;
    config.SaveSucceeded = true;
    return name;
}

QString OpenConfiguration(Configuration &config, FileDialogPrompt &files, MessagePrompt &messages,
                          const ScriptFallbackFunction &fromScript)
{
    const std::optional<QString> chosen =
        files.openFileName(configurationRequest(QStringLiteral("設定ファイルを開く")));
    if (!chosen)
        return {};

    const QString rcfPath = rcfPathFor(*chosen);
    if (rcfPath.isEmpty()) {
        messages.critical(QStringLiteral("ファイル名「%1」には拡張子がないため、読み込む設定ファイル(.rcf)が決まりません。")
                              .arg(fileNameOf(*chosen)),
                          ErrorTitle);
        return {};
    }
    if (fromScript && !QFileInfo::exists(rcfPath) && QFileInfo(*chosen).isFile()) {
        const MessageAnswer answer = messages.show(
            QStringLiteral("設定ファイル「%1」が見つかりません。").arg(fileNameOf(rcfPath)) + CrLf
                + QStringLiteral("コマンドスクリプト「%1」から設定を読み込みますか？").arg(fileNameOf(*chosen)),
            QStringLiteral("設定ファイルを開く"), MessageIcon::Information, MessageButtons::YesNo);
        if (answer != MessageAnswer::Yes || !fromScript(*chosen, config))
            return {};
        return fileNameOf(*chosen);
    }
    const RcfReadResult result = readRcfFile(rcfPath, config);
    for (const RcfProblem &warning : result.warnings)
        messages.critical(warning.message.text, warning.message.title);
    if (!result.ok) {
        messages.critical(result.error.message.text, result.error.message.title);
        return {};
    }
    config = result.config;
    return fileNameOf(*chosen);
}

} // namespace mg
