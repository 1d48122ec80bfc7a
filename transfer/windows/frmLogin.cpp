#include "frmLogin.h"

#include "DialogButtons.h"
#include "PasswordRules.h"
#include "Prompts.h"
#include "RouterInstall.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace mg {

frmLogin::frmLogin(RouterInstall &install, MessagePrompt &prompt, QWidget *parent)
    : QDialog(parent), m_install(install), m_prompt(prompt)
{
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("KV700 へのログイン"));
    setModal(true);

    Label1 = new QLabel(QStringLiteral("Quillmark KV700 にユーザ \"manager\" で"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(QStringLiteral("ログインします。パスワードを入力してください。"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    txtUsername = createLoginBox(this, QStringLiteral("txtUsername"), PasswordRules::isUserNameCharacter);
    txtUsername->setText(QStringLiteral("manager"));
    txtPassword = createPasswordBox(this, QStringLiteral("txtPassword"), PasswordRules::isLoginPasswordCharacter);
    txtLogin = createTerminalBox(this, QStringLiteral("txtLogin"));
    cmdOk = createButton(this, QStringLiteral("cmdOk"), QStringLiteral("OK"));
    cmdCansel = createButton(this, QStringLiteral("cmdCansel"), QStringLiteral("キャンセル"));
    cmdOk->setEnabled(false);
    lblLoggingIn = new QLabel(QStringLiteral("ログインしています..."), this);
    lblLoggingIn->setObjectName(QStringLiteral("lblLoggingIn"));
    // The window keeps its size whether the line shows or not.
    QSizePolicy keepRoom = lblLoggingIn->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    lblLoggingIn->setSizePolicy(keepRoom);
    lblLoggingIn->hide();

    auto *fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("ユーザ名 :"), this), 0, 0);
    fields->addWidget(txtUsername, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("パスワード :"), this), 1, 0);
    fields->addWidget(txtPassword, 1, 1);
    QHBoxLayout *buttons = buttonRow({cmdOk, cmdCansel});
    buttons->insertWidget(0, lblLoggingIn);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addLayout(fields);
    layout->addWidget(txtLogin, 1);
    layout->addLayout(buttons);
    resize(480, 360);

    setTabOrder(txtUsername, txtPassword);
    setTabOrder(txtPassword, cmdOk);
    setTabOrder(cmdOk, cmdCansel);

    onEnterAndEscape(txtUsername, [this] { txtPassword->setFocus(Qt::TabFocusReason); },
                     [this] { cmdCansel_Click(); });
    onEnterAndEscape(txtPassword, [this] {
        if (cmdOk->isEnabled())
            cmdOk_Click();
    }, [this] { cmdCansel_Click(); });
    connect(txtUsername, &QLineEdit::textChanged, this, &frmLogin::updateOk);
    connect(txtPassword, &QLineEdit::textChanged, this, &frmLogin::updateOk);
    connect(cmdOk, &QPushButton::clicked, this, &frmLogin::cmdOk_Click);
    connect(cmdCansel, &QPushButton::clicked, this, &frmLogin::cmdCansel_Click);

    connect(&m_install, &RouterInstall::loginTerminalChanged, this,
            [this] { showTerminal(txtLogin, m_install.loginTerminal()); });
    connect(&m_install, &RouterInstall::loginFailed, this,
            [this](const DialogueMessage &message, bool canRetry) {
                setLoggingIn(false);
                m_prompt.show(message.text, message.title, message.icon, MessageButtons::Ok);
                if (canRetry) {
                    txtPassword->setFocus(Qt::OtherFocusReason);
                    txtPassword->selectAll();
                    return;
                }
                QDialog::reject();
            });
    // The router took the login: the progress window takes over (the
    // hourglass stays until the transfer ends).
    connect(&m_install, &RouterInstall::loggedIn, this, [this] { accept(); });
    txtPassword->setFocus(Qt::OtherFocusReason);
}

void frmLogin::updateOk()
{
    cmdOk->setEnabled(!m_loggingIn && !txtUsername->text().isEmpty() && !txtPassword->text().isEmpty());
}

void frmLogin::setLoggingIn(bool on)
{
    m_loggingIn = on;
    m_busy.set(on);
    lblLoggingIn->setVisible(on);
    // A disabled OK would hand its focus on to キャンセル, where a stray key
    // would end the login.
    if (on && cmdOk->hasFocus())
        txtPassword->setFocus(Qt::OtherFocusReason);
    updateOk();
}

void frmLogin::cmdOk_Click()
{
    // One login at a time: a second one would start over on the line the
    // first is still typing on.
    if (m_loggingIn || m_install.loggingIn())
        return;
    // Over the LAN this password also becomes the manager password through
    // the encoder, which would change it: refused before the router is
    // reached, so the operator can type another one.
    if (m_install.method() == TransferMethod::Telnet) {
        const QString problem = PasswordRules::checkEncodablePassword(txtPassword->text());
        if (!problem.isEmpty()) {
            m_prompt.show(problem, QStringLiteral("パスワード"), MessageIcon::Warning, MessageButtons::Ok);
            txtPassword->setFocus(Qt::OtherFocusReason);
            txtPassword->selectAll();
            return;
        }
    }
    setLoggingIn(true);
    txtLogin->clear();
    m_install.login(txtUsername->text(), txtPassword->text());
}

void frmLogin::cmdCansel_Click()
{
    reject();
}

void frmLogin::reject()
{
    setLoggingIn(false);
    if (m_install.inLogin())
        m_install.abort();
    QDialog::reject();
}

} // namespace mg
