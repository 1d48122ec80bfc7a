#include "frmStatus.h"

#include "DialogueMessage.h"
#include "RouterInstall.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace mg {

frmStatus::frmStatus(RouterInstall &install, MessagePrompt &prompt, std::function<void()> markChanged,
                     QWidget *parent)
    : QDialog(parent), m_install(install), m_prompt(prompt), m_markChanged(std::move(markChanged))
{
    setObjectName(QStringLiteral("frmStatus"));
    setWindowTitle(QStringLiteral("設定の状況"));
    setModal(true);

    txtStatus = createTerminalBox(this, QStringLiteral("txtStatus"));
    lblProgress = new QLabel(this);
    lblProgress->setObjectName(QStringLiteral("lblProgress"));
    lblTranscript = new QLabel(this);
    lblTranscript->setObjectName(QStringLiteral("lblTranscript"));
    lblTranscript->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblTranscript->setWordWrap(true);
    cmdFinish = new QPushButton(QStringLiteral("設定画面に戻る..."), this);
    cmdFinish->setObjectName(QStringLiteral("cmdFinish"));
    cmdFinish->setAutoDefault(false);
    cmdFinish->setEnabled(false);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(lblProgress, 1);
    bottom->addWidget(cmdFinish);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(txtStatus, 1);
    layout->addWidget(lblTranscript);
    layout->addLayout(bottom);
    resize(560, 400);

    connect(cmdFinish, &QPushButton::clicked, this, &frmStatus::cmdFinish_Click);
    connect(&m_install, &RouterInstall::transferTerminalChanged, this,
            [this] { showTerminal(txtStatus, m_install.transferTerminal()); });
    connect(&m_install, &RouterInstall::progress, this, [this](int done, int total) {
        // Serial: lines typed; LAN: blocks of the file the router has taken.
        const QString what = m_install.method() == TransferMethod::Serial ? QStringLiteral("送信した行")
                                                                          : QStringLiteral("転送したブロック");
        lblProgress->setText(QStringLiteral("%1: %2 / %3").arg(what).arg(done).arg(total));
    });
    connect(&m_install, &RouterInstall::finished, this, &frmStatus::finished);
    showTerminal(txtStatus, m_install.transferTerminal());
    m_busy.set(m_install.isRunning());
}

void frmStatus::setTranscript(const QString &path, const QString &error)
{
    // Plain text: a folder name must never be read as markup.
    lblTranscript->setTextFormat(Qt::PlainText);
    if (!path.isEmpty())
        lblTranscript->setText(QStringLiteral("記録: ") + path);
    else
        lblTranscript->setText(QStringLiteral("記録を作成できませんでした: ") + error);
}

void frmStatus::finished(bool ok, const DialogueMessage &message, bool markChanged, bool closesWindow)
{
    m_busy.set(false);
    if (!closesWindow) {
        cmdFinish->setEnabled(true);
        cmdFinish->setFocus(Qt::OtherFocusReason);
    }
    m_prompt.show(message.text, message.title, message.icon, MessageButtons::Ok);
    if (!ok && markChanged && m_markChanged)
        m_markChanged();
    if (closesWindow)
        QDialog::reject();
}

void frmStatus::cmdFinish_Click()
{
    reject();
}

void frmStatus::reject()
{
    m_busy.set(false);
    m_install.abort();
    QDialog::reject();
}

} // namespace mg
