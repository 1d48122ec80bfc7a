#include "frmScript.h"
#include "ScriptReader.h"
#include "UnplacedLinesDialog.h"

#include "DialogueMessage.h"

#include "DialogButtons.h"
#include "ProgramFolder.h"
#include "SendText.h"
#include "SerialLine.h"
#include "SettingsStore.h"
#include "StandInEncoder.h"
#include "TransferWindows.h"
#include "frmSerial.h"
#include "frmTelnet.h"
#include "frmTransmit.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextDocument>
#include <QVBoxLayout>

namespace mg {

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString ApplicationTitle = QStringLiteral("Quillmark KV700 Marrowgate");

// The system's text alone ("No such file or directory") does not say which
// device, nor which port name of the settings points at it.
QString serialOpenFailureText(const SerialLine &line)
{
    const QString device =
        line.failedDevice().isEmpty() ? line.devicePathFor(line.portNumber()) : line.failedDevice();
    QString text = QStringLiteral("%1 のデバイス %2 を開けません: %3")
                       .arg(SerialDevices::comName(line.portNumber()), device, line.errorString());
    QString remedy = line.openRemedy();
    if (line.openFault() == SerialOpenFault::Missing)
        remedy += QStringLiteral("\n「オプション」→「シリアルポートの設定」で、%1 に使うデバイスを選べます。")
                      .arg(SerialDevices::comName(line.portNumber()));
    if (!remedy.isEmpty())
        text += CrLf + CrLf + QString(remedy).replace(QLatin1Char('\n'), CrLf);
    return text;
}

} // namespace

frmScript::frmScript(Configuration &configuration, MessagePrompt &prompt, QWidget *parent,
                     TransferEnvironment *transfer)
    : QDialog(parent), m_configuration(configuration), m_prompt(prompt), m_transfer(transfer)
{
    setObjectName(QStringLiteral("frmScript"));
    setWindowTitle(QStringLiteral("設定の確認"));
    setModal(true);

    menuBar = new QMenuBar(this);
    mnuOption = menuBar->addMenu(QStringLiteral("オプション(&O)"));
    mnuOption->setObjectName(QStringLiteral("mnuOption"));
    mnuSerial = mnuOption->addAction(QStringLiteral("シリアルポートの設定(&C)"));
    mnuSerial->setObjectName(QStringLiteral("mnuSerial"));
    connect(mnuSerial, &QAction::triggered, this, &frmScript::mnuSerial_Click);
    mnuLoadForm = mnuOption->addAction(QStringLiteral("フォームに読み込む(&F)"));
    mnuLoadForm->setObjectName(QStringLiteral("mnuLoadForm"));
    connect(mnuLoadForm, &QAction::triggered, this, &frmScript::mnuLoadForm_Click);

    txtScript = new QPlainTextEdit(this);
    txtScript->setObjectName(QStringLiteral("txtScript"));
    // Router commands line up in columns; a fixed pitch keeps them readable.
    txtScript->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    txtScript->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtScript->setTabChangesFocus(false);

    cmdEdit = createButton(this, QStringLiteral("cmdEdit"), QStringLiteral("設定の編集"));
    cmdReconf = createButton(this, QStringLiteral("cmdReconf"), QStringLiteral("再設定"));
    cmdPrint = createButton(this, QStringLiteral("cmdPrint"), QStringLiteral("印刷..."));
    cmdAccept = createButton(this, QStringLiteral("cmdAccept"), QStringLiteral("設定を送信"));
    cmdAccept->setEnabled(false);
    printPreview = [this](const ScriptPrintout &copy) { ScriptPrinter::preview(copy, this); };

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdEdit);
    buttons->addWidget(cmdPrint);
    buttons->addStretch(1);
    buttons->addWidget(cmdReconf);
    buttons->addWidget(cmdAccept);

    auto *layout = new QVBoxLayout(this);
    layout->setMenuBar(menuBar);
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
    if (!m_transfer)
        return;
    QString method = m_transfer->settings.GetSetting(QStringLiteral("Transmit"), QStringLiteral("Method"));
    if (method.isEmpty()) {
        method = QStringLiteral("0");
        m_transfer->settings.SaveSetting(QStringLiteral("Transmit"), QStringLiteral("Method"), method);
    }
    if (method == QLatin1String("0"))
        sendOverSerialLine();
    else if (method == QLatin1String("1"))
        sendOverNetwork();
}

void frmScript::sendOverSerialLine()
{
    TransferRequest request;
    request.method = TransferMethod::Serial;
    request.commandScript = m_configuration.CommandScript;
    request.configName = SendText::configName(m_configuration.ConfigFileName);
    if (!routerTakesName(request.configName))
        return;
    request.pacing = frmTransmit::serialPacing(m_transfer->settings);
    // The box shows the console session while it is typed.
    txtScript->setPlainText(SendText::serialText(request.commandScript));

    SerialLine &line = m_transfer->serial;
    if (!line.open()) {
        m_prompt.show(serialOpenFailureText(line), ApplicationTitle, MessageIcon::Warning, MessageButtons::Ok);
        txtScript->setPlainText(m_configuration.CommandScript);
        return;
    }
    runTransferWindows(request, *m_transfer, this);
    accept();
}

void frmScript::sendOverNetwork()
{
    m_configuration.CommandScript = scriptText(*txtScript);
    if (!m_configuration.Saved || m_configuration.ConfigFileName.isEmpty())
        m_configuration.ConfigFileName = SendText::DefaultConfigName;

    if (!routerTakesName(m_configuration.ConfigFileName))
        return;
    if (!standInEncoderAccepted())
        return;
    const QString ether = m_transfer->etherAddress ? m_transfer->etherAddress() : QString();
    const std::optional<QString> router = frmTelnet::ask(ether, m_prompt, this);
    TelnetConfirmed = router.has_value();
    if (!TelnetConfirmed)
        return;

    TransferRequest request;
    request.method = TransferMethod::Telnet;
    request.commandScript = m_configuration.CommandScript;
    request.configName = m_configuration.ConfigFileName;
    request.routerAddress = *router;
    runTransferWindows(request, *m_transfer, this);
    accept();
}

bool frmScript::standInEncoderAccepted()
{
    QString folder = m_transfer->programFolder;
    if (folder.isEmpty()) {
        const ProgramFolderResult located = locateProgramFolder();
        if (!located.ok)
            return true; // the transfer stops on that itself, with its message
        folder = located.folder;
    }
    if (!StandInEncoder::isStandIn(folder))
        return true;
    const QString encoder = StandInEncoder::encoderPath(folder);
    const QString text = StandInEncoder::explanation(encoder) + CrLf + CrLf + StandInEncoder::remedy(encoder) + CrLf
        + QStringLiteral("シリアルで送るときは、暗号化プログラムを使いません。") + CrLf + CrLf
        + QStringLiteral("ルータがこの代用の暗号化を読めると分かっている場合 (ルータのシミュレータなど) のほかは、"
                         "[いいえ] を選んでください。") + CrLf
        + QStringLiteral("このまま LAN で送りますか？");
    return m_prompt.show(text, QStringLiteral("パスワード暗号化プログラム"), MessageIcon::Warning,
                         MessageButtons::YesNoDefaultNo)
        == MessageAnswer::Yes;
}

bool frmScript::routerTakesName(const QString &name)
{
    if (SendText::configNameAllowed(name))
        return true;
    // Found before the router is touched: a serial transfer would reset it
    // and then fail to save the configuration.
    const DialogueMessage message = DialogueMessages::badConfigName(name);
    m_prompt.show(message.text, message.title, message.icon, MessageButtons::Ok);
    return false;
}

void frmScript::mnuSerial_Click()
{
    if (!m_transfer)
        return;
    frmSerial dialog(m_transfer->settings, m_transfer->serial, m_prompt, this);
    dialog.exec();
}

void frmScript::done(int result)
{
    if (m_transfer && m_transfer->serial.isOpen())
        m_transfer->serial.close();
    QDialog::done(result);
}

void frmScript::mnuLoadForm_Click()
{
    if (m_prompt.show(QStringLiteral("このスクリプトの内容で、編集画面の設定をすべて置き換えます。") + QStringLiteral("\r\n")
                          + QStringLiteral("よろしいですか？"),
                      QStringLiteral("フォームに読み込む"), MessageIcon::Warning, MessageButtons::YesNo)
        != MessageAnswer::Yes)
        return;
    const QString text = scriptText(*txtScript);
    const ScriptReadResult read = readScript(text);
    // The reader knows nothing of the window: the file name stays, and the
    // script on screen stays the one kept and sent.
    const QString fileName = m_configuration.ConfigFileName;
    m_configuration = read.config;
    m_configuration.ConfigFileName = fileName;
    m_configuration.CommandScript = text;
    m_configuration.markChanged();
    if (formRefresh)
        formRefresh();
    ShowUnplacedLines(read.unplaced, this);
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
