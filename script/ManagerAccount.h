#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>

class QProcess;
class QTemporaryDir;
class QTimer;

namespace mg {

// The text of the file that gives the router its manager account: the
// account's password line, its description line, then the command script as
// given, every line ended by CR LF and one more CR LF after it all.
// `encodedPassword` is the encoder's output exactly as it came, a line break
// at its end included.
QString transferText(const QString &user, const QString &encodedPassword, const QString &script);

// The encoder is given the password as words, split at blanks, and joins
// them again with one blank: a password with a blank at either end or two
// in a row would reach the router as another password, and the operator
// would be locked out. Empty when the password goes through unchanged;
// otherwise the reason, for the operator.
QString encoderPasswordProblem(const QString &password);

// What the encoder's answer must look like to go after "pass=" in the
// transfer file, once one line break at its end (CR LF or LF, kept in the
// file) is set aside: one or more characters from "!" to "~" without the
// double quote. So nothing an encoder gone wrong writes can end the value
// early, open a quoted one, break the line and so add a command of its own,
// or put bytes into the file whose meaning depends on the code page.
bool isEncodedPasswordLine(const QByteArray &answer);

struct ManagerAccountResult {
    bool ok = false;
    QString filePath;        // the transfer file when ok
    QString title, text;     // the message for the operator when not ok (critical icon)
};

// Builds the transfer file for a LAN transfer. The password is encoded by the
// maker's encoder "tzel" in the program folder, which leaves its answer in
// "pass.tmp" in its working folder. Its answer counts only when it ended
// normally with status 0 and left a password line (isEncodedPasswordLine);
// otherwise the step fails and writes nothing. A password the encoder would
// change (encoderPasswordProblem) is refused before it is started. Encoder
// output and transfer file live in a private folder (owner only) of their
// own, so that neither a saved configuration nor another user's file is
// ever overwritten, and both are gone when the transfer ends: at cleanup(),
// at the next start() or when the step is destroyed.
class ManagerAccountStep : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds EncoderTimeout{30000};

    explicit ManagerAccountStep(QObject *parent = nullptr);
    ~ManagerAccountStep() override;                       // removes the private folder

    void setProgramFolder(const QString &folder);         // tests; otherwise locateProgramFolder()
    void setEncoderTimeout(std::chrono::milliseconds t);  // tests

    // Starts the encoder; finished() follows (possibly at once for a failure),
    // always from the event loop, never from inside start(). `fileName` is
    // reduced to its name: the file is written in the private folder only.
    void start(const QString &user, const QString &password, const QString &script, const QString &fileName);
    void cancel();                                        // kills a running encoder, no finished()
    // Ends the transfer: stops a running encoder and removes the private
    // folder with everything in it.
    void cleanup();
    // For the program's end, after which nothing may be left to remove
    // anything: cleanup(), then waits for the encoders it killed (they end
    // at once), so that their folders too are gone on return.
    void cleanupNow();

    QStringList encoderArguments(const QString &password) const;   // what start() passes

signals:
    void finished(const mg::ManagerAccountResult &result);

private:
    void encoderFinished();
    void encoderTimedOut();
    void fail(const QString &title, const QString &text);
    void succeed(const QString &filePath);
    void report(const ManagerAccountResult &result);
    void stopEncoder();

    QString m_programFolder;
    std::chrono::milliseconds m_timeout = EncoderTimeout;

    // The run in progress. m_run changes on every start, cancel and cleanup,
    // so a report queued for an earlier run is dropped.
    quint64 m_run = 0;
    QString m_user, m_script, m_fileName;
    bool m_pending = false;  // started and not yet reported
    std::shared_ptr<QTemporaryDir> m_folder;
    QProcess *m_encoder = nullptr;
    QTimer *m_timer = nullptr;
};

} // namespace mg
