#pragma once

#include "TransferWidgets.h"

#include <QDialog>
#include <functional>

class QCloseEvent;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace mg {

class MessagePrompt;
class RouterInstall;
struct DialogueMessage;

// "設定の状況": the transfer after the login, with the router's output and
// how far it has got. It reports the end in a message box; closing it at
// any moment ends the installation (the line and the file server close).
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

    // Where the session's transcript is being written; an empty path with
    // the reason when it could not be created.
    void setTranscript(const QString &path, const QString &error = QString());

    void cmdFinish_Click();
    void reject() override;

private:
    void finished(bool ok, const DialogueMessage &message, bool markChanged, bool closesWindow);

    RouterInstall &m_install;
    MessagePrompt &m_prompt;
    std::function<void()> m_markChanged;
    BusyPointer m_busy;
};

} // namespace mg
