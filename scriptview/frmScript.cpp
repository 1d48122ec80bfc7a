#include "frmScript.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextDocument>
#include <QVBoxLayout>

namespace mg {

namespace {

const QString CrLf = QStringLiteral("\r\n");

QPushButton *makeButton(const QString &name, const QString &caption, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    // Enter must never send or discard the script by accident.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace

frmScript::frmScript(Configuration &configuration, MessagePrompt &prompt, QWidget *parent)
    : QDialog(parent), m_configuration(configuration), m_prompt(prompt)
{
    setObjectName(QStringLiteral("frmScript"));
    setWindowTitle(QStringLiteral("設定の確認"));
    setModal(true);

    txtScript = new QPlainTextEdit(this);
    txtScript->setObjectName(QStringLiteral("txtScript"));
    // Router commands line up in columns; a fixed pitch keeps them readable.
    txtScript->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    txtScript->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtScript->setTabChangesFocus(false);

    cmdEdit = makeButton(QStringLiteral("cmdEdit"), QStringLiteral("設定の編集"), this);
    cmdReconf = makeButton(QStringLiteral("cmdReconf"), QStringLiteral("再設定"), this);
    cmdPrint = makeButton(QStringLiteral("cmdPrint"), QStringLiteral("印刷..."), this);
    cmdAccept = makeButton(QStringLiteral("cmdAccept"), QStringLiteral("設定を送信"), this);
    cmdAccept->setEnabled(false);
    printPreview = [this](const ScriptPrintout &copy) { ScriptPrinter::preview(copy, this); };

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdEdit);
    buttons->addWidget(cmdPrint);
    buttons->addStretch(1);
    buttons->addWidget(cmdReconf);
    buttons->addWidget(cmdAccept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(txtScript, 1);
    layout->addLayout(buttons);
    resize(640, 480);

    connect(txtScript, &QPlainTextEdit::textChanged, this, &frmScript::txtScript_Change);
    connect(cmdEdit, &QPushButton::clicked, this, &frmScript::cmdEdit_Click);
    connect(cmdReconf, &QPushButton::clicked, this, &frmScript::cmdReconf_Click);
    connect(cmdAccept, &QPushButton::clicked, this, &frmScript::cmdAccept_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &frmScript::cmdPrint_Click);

    txtScript->setPlainText(m_configuration.CommandScript);
    txtScript->moveCursor(QTextCursor::Start);
    setLocked(true);
    HandEditing = false;
    TelnetConfirmed = true;
    txtScript_Change();
    updatePrintButton();
}

QString frmScript::scriptText(const QPlainTextEdit &box)
{
    // The editor keeps paragraphs, not line ends: every break the operator
    // sees (paragraph or soft line break) is a CR LF of the router script.
    // The raw text is used because the plain-text export would also turn
    // non-breaking spaces into spaces.
    QString text = box.document()->toRawText();
    text.replace(QChar::ParagraphSeparator, CrLf);
    text.replace(QChar::LineSeparator, CrLf);
    return text;
}

void frmScript::txtScript_Change()
{
    if (txtScript->document()->isEmpty())
        cmdAccept->setEnabled(false);
    else if (!HandEditing)
        cmdAccept->setEnabled(true);
}

void frmScript::cmdEdit_Click()
{
    if (!HandEditing) {
        const MessageAnswer answer = m_prompt.show(
            QStringLiteral("設定を編集する場合、その内容によっては正常に") + CrLf
                + QStringLiteral("設定できない可能性がありますがよろしいですか？"),
            QStringLiteral("設定の編集"), MessageIcon::Information, MessageButtons::OkCancel);
        if (answer != MessageAnswer::Ok)
            return;
        HandEditing = true;
        setLocked(false);
        cmdEdit->setText(QStringLiteral("編集の終了"));
        cmdAccept->setEnabled(false);
        cmdReconf->setEnabled(false);
        updatePrintButton();
        txtScript->setFocus(Qt::OtherFocusReason);
        return;
    }

    if (txtScript->document()->isEmpty()) {
        m_prompt.critical(QStringLiteral("設定がありません。設定を作成して下さい。"),
                          QStringLiteral("設定の作成"));
        // Going back to the editor keeps the script as it was before the edit.
        cmdReconf->setEnabled(true);
        return;
    }

    HandEditing = false;
    setLocked(true);
    cmdEdit->setText(QStringLiteral("設定の編集"));
    cmdAccept->setEnabled(true);
    m_configuration.CommandScript = scriptText(*txtScript);
    cmdReconf->setEnabled(true);
    updatePrintButton();
}

void frmScript::cmdReconf_Click()
{
    reject();
}

void frmScript::cmdAccept_Click()
{
    m_prompt.show(QStringLiteral("ルータへの設定の送信は、このバージョンではまだご利用いただけません。") + CrLf
                      + QStringLiteral("設定は、メイン画面の「設定を保存」でファイルに保存できます。"),
                  QStringLiteral("設定を送信"), MessageIcon::Information, MessageButtons::Ok);
}

ScriptPrintout frmScript::printout() const
{
    const QString name = m_configuration.ConfigFileName.isEmpty() ? QStringLiteral("（保存されていない設定）")
                                                                  : m_configuration.ConfigFileName;
    return {name, clock(), m_configuration.CommandScript};
}

void frmScript::cmdPrint_Click()
{
    if (HandEditing)
        return;
    printPreview(printout());
}

void frmScript::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_centered) {
        m_centered = true;
        centerOnScreen();
    }
}

void frmScript::keyPressEvent(QKeyEvent *event)
{
    // Escape would close the window and silently drop an unfinished edit.
    if (HandEditing && event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmScript::centerOnScreen()
{
    QScreen *screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

// A half-finished edit is not what goes on the router, so it is not filed
// either: printing waits until the edit is finished.
void frmScript::updatePrintButton()
{
    cmdPrint->setEnabled(!HandEditing && !m_configuration.CommandScript.isEmpty());
}

void frmScript::setLocked(bool locked)
{
    txtScript->setReadOnly(locked);
    if (locked)
        txtScript->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

} // namespace mg
