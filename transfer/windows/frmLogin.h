#pragma once

#include "TransferWidgets.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace mg {

class MessagePrompt;
class RouterInstall;

// "KV700 へのログイン": the user name and password for the router, and the
// router's answers as they come. OK logs in over the installation's line; a
// refused password can be typed again; once the router takes the login the
// window closes (accepted) and the transfer goes on.
class frmLogin : public QDialog {
    Q_OBJECT
public:
    frmLogin(RouterInstall &install, MessagePrompt &prompt, QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *txtUsername = nullptr;
    QLineEdit *txtPassword = nullptr;
    QPlainTextEdit *txtLogin = nullptr;
    QPushButton *cmdOk = nullptr;
    QPushButton *cmdCansel = nullptr;
    // Below the designed controls: says that a login is under way.
    QLabel *lblLoggingIn = nullptr;

    void cmdOk_Click();
    void cmdCansel_Click();

    // Closing the window by any path ends the installation's login.
    void reject() override;

private:
    void updateOk();
    // While a login runs: OK does nothing, the hourglass and the line say so.
    void setLoggingIn(bool on);

    RouterInstall &m_install;
    MessagePrompt &m_prompt;
    BusyPointer m_busy;
    bool m_loggingIn = false;
};

} // namespace mg
