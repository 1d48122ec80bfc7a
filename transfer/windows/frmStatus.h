#pragma once

#include "InstallOutcome.h"
#include "PaceEstimate.h"
#include "TransferWidgets.h"

#include <QDialog>
#include <QElapsedTimer>
#include <chrono>
#include <functional>
#include <optional>

class QCloseEvent;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace mg {

class MessagePrompt;
class RouterInstall;

// "設定の状況": the transfer after the login, with the router's output and
// how far it has got: the step, a bar and the time left at the pace so far.
// It reports the end in a message box. Closing it while the transfer runs
// asks first (the installation waits for the answer); stopping ends the
// installation (the line and the file server close) and says what the
// router has been left with.
class frmStatus : public QDialog {
    Q_OBJECT
public:
    // markChanged: the main window's MarkChanged, run when the router
    // refused the file (the configuration counts as unsaved again).
    frmStatus(RouterInstall &install, MessagePrompt &prompt, std::function<void()> markChanged,
              QWidget *parent = nullptr);

    QPlainTextEdit *txtStatus = nullptr;
    QLabel *lblProgress = nullptr;
    QLabel *lblTranscript = nullptr;
    QPushButton *cmdFinish = nullptr;
    // Below the designed controls.
    QProgressBar *prgTransfer = nullptr;
    QLabel *lblStep = nullptr;
    QLabel *lblTimeLeft = nullptr;

    // The clock the pace is measured with (tests); otherwise the time since
    // the window opened.
    using Clock = std::function<std::chrono::milliseconds()>;
    void setClock(Clock clock);

    // Where the session's transcript is being written; an empty path with
    // the reason when it could not be created.
    void setTranscript(const QString &path, const QString &error = QString());

    void cmdFinish_Click();
    void reject() override;

private:
    void finished(const InstallOutcome &outcome);
    void progressed(int done, int total);
    void showStep(InstallStep step);
    // True: the operator chose to stop, and the installation still runs.
    bool confirmStop();

    RouterInstall &m_install;
    MessagePrompt &m_prompt;
    std::function<void()> m_markChanged;
    BusyPointer m_busy;
    QElapsedTimer m_opened;
    Clock m_clock;
    PaceEstimate m_pace;
    bool m_asking = false;
    // The end that came while the operator was being asked.
    std::optional<InstallOutcome> m_heldEnd;
};

} // namespace mg
