#include "ManagerAccount.h"

#include "ProgramFolder.h"
#include "ShiftJis.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <utility>

namespace mg {

namespace {

const QString ErrorTitle = QStringLiteral("エラー");
const QString EncoderFailedText = QStringLiteral("ファイルが見つかりません。");
// Each failure of the encoder says what happened: the operator or whoever
// installed the encoder has to know where to look.
const QString NothingChanged = QStringLiteral("\r\nルータの設定は変更していません。");
const QString EncoderStatusText =
    QStringLiteral("パスワード暗号化プログラム (tzel) がエラーで終了しました (終了コード %1)。") + NothingChanged;
const QString EncoderCrashedText = QStringLiteral("パスワード暗号化プログラム (tzel) が異常終了しました。") + NothingChanged;
const QString EncoderTimeoutText =
    QStringLiteral("パスワード暗号化プログラム (tzel) が %1 秒たっても終了しないため、中止しました。") + NothingChanged;
const QString EncoderEmptyText =
    QStringLiteral("パスワード暗号化プログラム (tzel) の出力ファイル pass.tmp が空です。") + NothingChanged;
const QString EncoderGarbageText =
    QStringLiteral("パスワード暗号化プログラム (tzel) の出力ファイル pass.tmp の内容は、パスワードとして使えません "
                   "(空白、制御文字、途中の改行、\"、半角の英数字と記号以外の文字のどれかがあるか、長すぎます)。")
    + NothingChanged;
const QString BlanksText =
    QStringLiteral("LAN で送るとき、パスワードは空白で区切った語に分けてパスワード暗号化プログラムに渡すため、"
                   "先頭や末尾の空白、2 つ以上続いた空白はそのままでは送れません (ルータに別のパスワードが設定されます)。"
                   "シリアルで送るか、このような空白のないパスワードにしてください。");
const QString BadNameText = QStringLiteral("転送ファイルの名前が正しくありません。");
const QString NoFolderText = QStringLiteral("転送ファイルを置く一時フォルダを作成できませんでした。");
const QString NotRepresentableText =
    QStringLiteral("ユーザー名またはコマンドスクリプトに、転送ファイルに書き込めない文字があります。");
const QString WriteFailedText =
    QStringLiteral("転送ファイルを書き込めませんでした。\r\nディスクの空き容量を確認してください。");
const QString EncoderName = QStringLiteral("tzel");
const QString EncoderOutput = QStringLiteral("pass.tmp");

// An encoded password is a few dozen bytes; anything near this size is an
// encoder gone wrong, not a password.
constexpr qint64 EncoderOutputLimit = 64 * 1024;

QString head(const QString &user)
{
    return QStringLiteral("set user=") + user + QStringLiteral(" pass=");
}

QString tail(const QString &user, const QString &script)
{
    return QStringLiteral("\r\nset user=") + user
        + QStringLiteral(" desc=\"Manager Account\" priv=manager telnet=yes\r\n") + script + QStringLiteral("\r\n");
}

// The caller names the file as the router will ask for it; a folder in that
// name must never send the file outside the private folder. A backslash
// counts as a separator too, as in the names the operator knows.
QString transferName(const QString &fileName)
{
    const QString name = fileName.section(QLatin1Char('/'), -1).section(QLatin1Char('\\'), -1);
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return {};
    return name;
}

struct FolderKeeper : QObject {
    FolderKeeper(std::shared_ptr<QTemporaryDir> folder, QObject *parent)
        : QObject(parent)
        , folder(std::move(folder))
    {
    }
    std::shared_ptr<QTemporaryDir> folder;
};

} // namespace

QString transferText(const QString &user, const QString &encodedPassword, const QString &script)
{
    return head(user) + encodedPassword + tail(user, script);
}

QString encoderPasswordProblem(const QString &password)
{
    // The very split encoderArguments() makes, joined as the encoder joins it.
    if (password.split(QLatin1Char(' '), Qt::SkipEmptyParts).join(QLatin1Char(' ')) != password)
        return BlanksText;
    return QString();
}

bool isEncodedPasswordLine(const QByteArray &answer)
{
    QByteArray line = answer;
    if (line.endsWith("\r\n"))
        line.chop(2);
    else if (line.endsWith('\n'))
        line.chop(1);
    if (line.isEmpty())
        return false;
    for (const char c : line) {
        const uchar u = uchar(c);
        if (u < 0x21 || u > 0x7e || u == '"')
            return false;
    }
    return true;
}

ManagerAccountStep::ManagerAccountStep(QObject *parent)
    : QObject(parent)
    , m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] { encoderTimedOut(); });
}

ManagerAccountStep::~ManagerAccountStep()
{
    cleanup();
    // Encoders killed on the way may not have ended yet. The wait after a
    // kill is short, and their folders must not outlive the step.
    for (QProcess *encoder : findChildren<QProcess *>(Qt::FindDirectChildrenOnly))
        encoder->waitForFinished();
}

void ManagerAccountStep::setProgramFolder(const QString &folder)
{
    m_programFolder = folder;
}

void ManagerAccountStep::setEncoderTimeout(std::chrono::milliseconds t)
{
    m_timeout = t;
}

QStringList ManagerAccountStep::encoderArguments(const QString &password) const
{
    // No shell between us and the encoder: the redirection reaches it as two
    // plain arguments, and it writes the file itself.
    QStringList arguments = password.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    arguments << QStringLiteral(">") << EncoderOutput;
    return arguments;
}

void ManagerAccountStep::start(const QString &user, const QString &password, const QString &script,
                               const QString &fileName)
{
    cleanup();
    m_pending = true;
    m_user = user;
    m_script = script;
    m_fileName = transferName(fileName);
    // The windows and the command line refuse such a password before the
    // login; this is the last guard before the router is given another one.
    if (const QString problem = encoderPasswordProblem(password); !problem.isEmpty())
        return fail(ErrorTitle, problem);
    if (m_fileName.isEmpty())
        return fail(ErrorTitle, BadNameText);

    QString folder = m_programFolder;
    if (folder.isEmpty()) {
        const ProgramFolderResult located = locateProgramFolder();
        if (!located.ok)
            return fail(ErrorTitle, ProgramFolderErrorText);
        folder = located.folder;
    }
    const QFileInfo encoder(QDir(folder).filePath(EncoderName));
    if (!encoder.isFile() || !encoder.isExecutable())
        return fail(ErrorTitle, EncoderFailedText);

    m_folder = std::make_shared<QTemporaryDir>(QStandardPaths::writableLocation(QStandardPaths::TempLocation)
                                               + QStringLiteral("/marrowgate-XXXXXX"));
    // The encoded password passes through here: nobody else may look in.
    if (!m_folder->isValid()
        || !QFile::setPermissions(m_folder->path(),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner))
        return fail(ErrorTitle, NoFolderText);

    m_encoder = new QProcess(this);
    m_encoder->setProgram(encoder.absoluteFilePath());
    m_encoder->setArguments(encoderArguments(password));
    m_encoder->setWorkingDirectory(m_folder->path());
    // Nobody reads the encoder's console: a full pipe must not stall it, and
    // it must not wait for input that never comes.
    m_encoder->setStandardInputFile(QProcess::nullDevice());
    m_encoder->setStandardOutputFile(QProcess::nullDevice());
    m_encoder->setStandardErrorFile(QProcess::nullDevice());
    connect(m_encoder, &QProcess::finished, this, [this] { encoderFinished(); });
    connect(m_encoder, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        // A crash also ends in finished(), which reads what is there.
        if (error == QProcess::FailedToStart)
            fail(ErrorTitle, EncoderFailedText);
    });
    m_timer->start(m_timeout);
    m_encoder->start();
}

void ManagerAccountStep::cancel()
{
    if (m_pending)
        cleanup();
}

void ManagerAccountStep::cleanup()
{
    ++m_run;
    m_pending = false;
    stopEncoder();
    m_folder.reset();
}

void ManagerAccountStep::cleanupNow()
{
    cleanup();
    for (QProcess *encoder : findChildren<QProcess *>(Qt::FindDirectChildrenOnly)) {
        // Killed: the wait is for the kernel, not for the encoder. Its
        // folder goes with it.
        if (encoder->state() == QProcess::NotRunning || encoder->waitForFinished(5000))
            delete encoder;
    }
}

void ManagerAccountStep::encoderFinished()
{
    const bool crashed = m_encoder->exitStatus() == QProcess::CrashExit;
    const int status = m_encoder->exitCode();
    stopEncoder();

    // Whatever an encoder that failed left in its file may be half an answer
    // or none: only a clean end with status 0 lets it count.
    const QString outputPath = QDir(m_folder->path()).filePath(EncoderOutput);
    if (crashed || status != 0) {
        QFile::remove(outputPath);
        return fail(ErrorTitle, crashed ? EncoderCrashedText : EncoderStatusText.arg(status));
    }
    const QFileInfo outputInfo(outputPath);
    QByteArray encoded;
    bool read = false;
    if (outputInfo.isFile()) { // never open a pipe or device left in its place
        QFile output(outputPath);
        if (output.open(QIODevice::ReadOnly)) {
            encoded = output.read(EncoderOutputLimit + 1);
            read = output.error() == QFileDevice::NoError;
        }
    }
    QFile::remove(outputPath);
    if (!read)
        return fail(ErrorTitle, EncoderFailedText);
    // A line break alone is no more an answer than nothing.
    if (encoded.isEmpty() || encoded == "\n" || encoded == "\r\n")
        return fail(ErrorTitle, EncoderEmptyText);
    if (encoded.size() > EncoderOutputLimit || !isEncodedPasswordLine(encoded))
        return fail(ErrorTitle, EncoderGarbageText);

    // The encoder's bytes go into the file untouched, even where a decode and
    // re-encode would pick another of cp932's duplicate codes.
    const std::optional<QByteArray> before = ShiftJis::encode(head(m_user));
    const std::optional<QByteArray> after = ShiftJis::encode(tail(m_user, m_script));
    if (!before || !after)
        return fail(ErrorTitle, NotRepresentableText);
    const QByteArray bytes = *before + encoded + *after;

    QFile file(QDir(m_folder->path()).filePath(m_fileName));
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return fail(ErrorTitle, WriteFailedText);
    const bool written = file.write(bytes) == bytes.size() && file.flush();
    file.close();
    if (!written || file.error() != QFileDevice::NoError) {
        file.remove();
        return fail(ErrorTitle, WriteFailedText);
    }
    report({true, file.fileName(), {}, {}});
}

void ManagerAccountStep::encoderTimedOut()
{
    const auto seconds = std::chrono::ceil<std::chrono::seconds>(m_timeout).count();
    fail(ErrorTitle, EncoderTimeoutText.arg(seconds));
}

void ManagerAccountStep::fail(const QString &title, const QString &text)
{
    stopEncoder();
    m_folder.reset();
    report({false, {}, title, text});
}

void ManagerAccountStep::report(const ManagerAccountResult &result)
{
    // Always from the event loop: a receiver may delete the step, which must
    // not happen under start().
    QMetaObject::invokeMethod(
        this,
        [this, run = m_run, result] {
            if (run != m_run)
                return;
            m_pending = false;
            emit finished(result);
        },
        Qt::QueuedConnection);
}

void ManagerAccountStep::stopEncoder()
{
    m_timer->stop();
    QProcess *encoder = std::exchange(m_encoder, nullptr);
    if (!encoder)
        return;
    disconnect(encoder, nullptr, this, nullptr);
    if (encoder->state() == QProcess::NotRunning) {
        encoder->deleteLater();
        return;
    }
    // A killed encoder may still be writing until it has really ended: its
    // folder stays with its object, which goes only then.
    new FolderKeeper(m_folder, encoder);
    connect(encoder, &QProcess::finished, encoder, &QObject::deleteLater);
    connect(encoder, &QProcess::errorOccurred, encoder, [encoder](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            encoder->deleteLater();
    });
    encoder->kill();
}

} // namespace mg
