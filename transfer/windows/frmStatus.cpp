#include "frmStatus.h"

#include "DialogueMessage.h"
#include "Prompts.h"
#include "RouterInstall.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace mg {

namespace {

QString stepName(InstallStep step, TransferMethod method)
{
    switch (step) {
    case InstallStep::Login: return QStringLiteral("ログイン");
    case InstallStep::Reset: return QStringLiteral("リセット");
    case InstallStep::Restart: return QStringLiteral("工場出荷時の設定で再起動");
    case InstallStep::Script: return QStringLiteral("設定の入力");
    case InstallStep::Password: return QStringLiteral("管理者パスワードの設定");
    case InstallStep::FileTransfer: return QStringLiteral("設定ファイルの転送");
    case InstallStep::BootConfig:
        // The console saves the configuration itself; over the LAN the
        // fetched file only becomes the boot configuration.
        return method == TransferMethod::Serial ? QStringLiteral("設定の保存と起動設定")
                                                : QStringLiteral("起動設定の変更");
    case InstallStep::FinalRestart: return QStringLiteral("新しい設定で再起動");
    }
    return QString();
}

// Before the script the pace says nothing about the rest: the router's boot
// after the reset takes as long as it takes.
bool paceTells(InstallStep step)
{
    return step != InstallStep::Login && step != InstallStep::Reset && step != InstallStep::Restart;
}

} // namespace

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
    prgTransfer = new QProgressBar(this);
    prgTransfer->setObjectName(QStringLiteral("prgTransfer"));
    prgTransfer->setRange(0, 1);
    prgTransfer->setValue(0);
    lblStep = new QLabel(this);
    lblStep->setObjectName(QStringLiteral("lblStep"));
    lblTimeLeft = new QLabel(this);
    lblTimeLeft->setObjectName(QStringLiteral("lblTimeLeft"));

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(lblProgress, 1);
    bottom->addWidget(cmdFinish);
    auto *where = new QHBoxLayout;
    where->addWidget(lblStep, 1);
    where->addWidget(lblTimeLeft);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(txtStatus, 1);
    layout->addWidget(lblTranscript);
    layout->addLayout(bottom);
    layout->addWidget(prgTransfer);
    layout->addLayout(where);
    resize(560, 440);

    m_opened.start();
    m_clock = [this] { return std::chrono::milliseconds(m_opened.elapsed()); };

    connect(cmdFinish, &QPushButton::clicked, this, &frmStatus::cmdFinish_Click);
    connect(&m_install, &RouterInstall::transferTerminalChanged, this,
            [this] { showTerminal(txtStatus, m_install.transferTerminal()); });
    connect(&m_install, &RouterInstall::progress, this, [this](int done, int total) {
        // Serial: lines typed; LAN: blocks of the file the router has taken.
        const QString what = m_install.method() == TransferMethod::Serial ? QStringLiteral("送信した行")
                                                                          : QStringLiteral("転送したブロック");
        lblProgress->setText(QStringLiteral("%1: %2 / %3").arg(what).arg(done).arg(total));
        progressed(done, total);
    });
    connect(&m_install, &RouterInstall::stepChanged, this, &frmStatus::showStep);
    connect(&m_install, &RouterInstall::finished, this, &frmStatus::finished);
    showTerminal(txtStatus, m_install.transferTerminal());
    if (m_install.isRunning())
        lblTimeLeft->setText(timeLeftText(std::nullopt));
    showStep(m_install.step());
    const TransferState state = m_install.state();
    if (state.linesTotal > 0) {
        prgTransfer->setRange(0, state.linesTotal);
        prgTransfer->setValue(state.linesSent);
    }
    m_busy.set(m_install.isRunning());
}

void frmStatus::setClock(Clock clock)
{
    m_clock = std::move(clock);
}

void frmStatus::showStep(InstallStep step)
{
    const QList<InstallStep> steps = m_install.steps();
    const qsizetype at = steps.indexOf(step);
    const QString name = stepName(step, m_install.method());
    lblStep->setText(at < 0 ? QStringLiteral("段階: %1").arg(name)
                            : QStringLiteral("段階 %1/%2: %3").arg(at + 1).arg(steps.size()).arg(name));
    // The pace is measured afresh from the first line of the script.
    if (step == InstallStep::Script)
        m_pace.reset();
    if (!paceTells(step))
        lblTimeLeft->setText(timeLeftText(std::nullopt));
}

void frmStatus::progressed(int done, int total)
{
    if (total > 0) {
        prgTransfer->setRange(0, total);
        prgTransfer->setValue(std::min(done, total));
    }
    m_pace.progress(m_clock(), done, total);
    lblTimeLeft->setText(timeLeftText(paceTells(m_install.step()) ? m_pace.remaining() : std::nullopt));
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

void frmStatus::finished(const InstallOutcome &outcome)
{
    if (m_asking) {
        // Told once the operator has answered: no box over the question.
        m_heldEnd = outcome;
        return;
    }
    m_busy.set(false);
    lblTimeLeft->clear();
    if (outcome.ok)
        prgTransfer->setValue(prgTransfer->maximum());
    if (!outcome.closesWindow) {
        cmdFinish->setEnabled(true);
        cmdFinish->setFocus(Qt::OtherFocusReason);
    }
    const DialogueMessage &message = outcome.message;
    m_prompt.show(message.text, message.title, message.icon, MessageButtons::Ok);
    if (!outcome.ok && outcome.markChanged && m_markChanged)
        m_markChanged();
    if (outcome.closesWindow)
        QDialog::reject();
}

void frmStatus::cmdFinish_Click()
{
    reject();
}

void frmStatus::reject()
{
    if (m_asking)
        return;
    if (m_install.isRunning()) {
        if (!confirmStop())
            return;
        m_install.abort();
        m_busy.set(false);
        const DialogueMessage message = DialogueMessages::stopped(m_install.state());
        m_prompt.show(message.text, message.title, message.icon, MessageButtons::Ok);
        QDialog::reject();
        return;
    }
    m_busy.set(false);
    m_install.abort();
    QDialog::reject();
}

bool frmStatus::confirmStop()
{
    // Nothing goes to the router while the operator decides: what the box
    // says the router has been left with is what it has, and no timer of
    // the dialogue runs in the box's own event loop.
    m_asking = true;
    m_install.pause();
    m_busy.set(false);
    const MessageAnswer answer = m_prompt.show(
        QStringLiteral("設定を送信している途中です。ここで中止すると、KV700 の設定は途中のままになります。\r\n"
                       "送信を中止しますか?"),
        windowTitle(), MessageIcon::Warning, MessageButtons::YesNoDefaultNo);
    m_asking = false;
    const bool stop = answer == MessageAnswer::Yes;
    if (std::optional<InstallOutcome> end = std::exchange(m_heldEnd, std::nullopt)) {
        // The router ended the transfer meanwhile: its outcome stands, and
        // closing is as after any end.
        m_install.resume();
        finished(*end);
        if (stop && isVisible()) {
            m_install.abort();
            QDialog::reject();
        }
        return false;
    }
    if (stop && m_install.isRunning())
        return true;
    m_install.resume();
    m_busy.set(m_install.isRunning());
    return false;
}

} // namespace mg
