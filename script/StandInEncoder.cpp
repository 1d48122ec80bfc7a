#include "StandInEncoder.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace mg::StandInEncoder {

QString encoderPath(const QString &programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("tzel"));
}

bool isStandIn(const QString &programFolder)
{
    const QFileInfo encoder(encoderPath(programFolder));
    if (!encoder.isFile() || !encoder.isExecutable())
        return false;
    // A real encoder may write its answer into a file of its own wherever it
    // runs: that must not be the operator's folder.
    QTemporaryDir work(QStandardPaths::writableLocation(QStandardPaths::TempLocation)
                       + QStringLiteral("/marrowgate-XXXXXX"));
    if (!work.isValid())
        return false;
    QProcess process;
    process.setProgram(encoder.absoluteFilePath());
    process.setArguments({QString::fromLatin1(IdentifyArgument)});
    process.setWorkingDirectory(work.path());
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForFinished(int(AnswerTimeout.count()))) {
        // Not started, or still busy: either way no stand-in. A killed one
        // must be gone before its folder goes.
        process.kill();
        process.waitForFinished();
        return false;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return false;
    const QByteArray answer = process.readAllStandardOutput();
    return answer == QByteArray(Marker) + '\n';
}

QString explanation(const QString &encoderPath)
{
    return QStringLiteral("パスワード暗号化プログラム %1 は、Marrowgate に付属する代用のプログラムです。"
                          "これで暗号化したパスワードは実際の KV700 には読めないため、LAN で設定を送ると"
                          "管理者パスワードが分からなくなり、ルータにログインできなくなります。")
        .arg(encoderPath);
}

QString remedy(const QString &encoderPath)
{
    return QStringLiteral("メーカーの暗号化プログラムを %1 に置くか、メーカーの暗号化プログラムを置いたフォルダを"
                          "機械全体の設定ファイル (/etc/xdg/Brenholt/marrowgate.ini) の Target で指定してください。")
        .arg(encoderPath);
}

} // namespace mg::StandInEncoder
