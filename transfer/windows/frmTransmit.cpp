#include "frmTransmit.h"

#include "DialogButtons.h"
#include "NumericText.h"
#include "frmSerial.h"
#include "frmTelnetSetting.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace mg {

namespace {
const QString CrLf = QStringLiteral("\r\n");
const QString LocalPcSection = QStringLiteral("LocalPC");
const QString AddressKey = QStringLiteral("IPAddr");
const QString TransmitSection = QStringLiteral("Transmit");
const QString PacingKey = QStringLiteral("Pacing");
const QString EchoPacing = QStringLiteral("echo");
const QString LinePacing = QStringLiteral("line");
} // namespace

TransferPacing frmTransmit::serialPacing(const SettingsStore &settings)
{
    const QString saved = settings.GetSetting(TransmitSection, PacingKey, LinePacing).trimmed();
    return saved.compare(EchoPacing, Qt::CaseInsensitive) == 0 ? TransferPacing::Echo : TransferPacing::Line;
}

frmTransmit::frmTransmit(SettingsStore &settings, SerialLine &line, MessagePrompt &prompt, QWidget *parent,
                         Platform systemPlatform)
    : QDialog(parent), m_settings(settings), m_line(line), m_prompt(prompt), m_systemPlatform(systemPlatform)
{
    setObjectName(QStringLiteral("frmTransmit"));
    setWindowTitle(QStringLiteral("設定の送信"));
    setModal(true);
    buildControls();
    Form_Load();
}

void frmTransmit::buildControls()
{
    Frame1 = new QGroupBox(QStringLiteral("送信方法"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto *group = new QButtonGroup(this);
    const QStringList captions{QStringLiteral("シリアルポート経由"), QStringLiteral("IP ネットワーク経由")};
    for (int i = 0; i < 2; ++i) {
        optTransmit[i] = new QRadioButton(captions[i], Frame1);
        optTransmit[i]->setObjectName(QStringLiteral("optTransmit(%1)").arg(i));
        group->addButton(optTransmit[i], i);
        // Selected by the operator or by the load alike.
        connect(optTransmit[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                optTransmit_Click(i);
        });
    }
    cmdSerialSetting = createButton(Frame1, QStringLiteral("cmdSerialSetting"), QStringLiteral("設定..."));
    cmdTelnetSetting = createButton(Frame1, QStringLiteral("cmdTelnetSetting"), QStringLiteral("設定..."));
    cmdTelnetSetting->setEnabled(false);

    auto *grid = new QGridLayout(Frame1);
    grid->setHorizontalSpacing(24);
    grid->addWidget(optTransmit[0], 0, 0);
    grid->addWidget(cmdSerialSetting, 0, 1);
    grid->addWidget(optTransmit[1], 1, 0);
    grid->addWidget(cmdTelnetSetting, 1, 1);

    // Its own frame below the designed one, so that the designed frame keeps
    // its two rows; the group keeps these two apart from optTransmit.
    fraPacing = new QGroupBox(QStringLiteral("シリアルの送信速度"), this);
    fraPacing->setObjectName(QStringLiteral("fraPacing"));
    auto *pacingGroup = new QButtonGroup(this);
    const QStringList pacings{QStringLiteral("1 秒に 1 行 (標準)"), QStringLiteral("ルータの応答を待って次の行 (速い)")};
    auto *pacingLayout = new QVBoxLayout(fraPacing);
    for (int i = 0; i < 2; ++i) {
        optPacing[i] = new QRadioButton(pacings[i], fraPacing);
        optPacing[i]->setObjectName(QStringLiteral("optPacing(%1)").arg(i));
        pacingGroup->addButton(optPacing[i], i);
        pacingLayout->addWidget(optPacing[i]);
    }

    cmdOK = createButton(this, QStringLiteral("cmdOK"), QStringLiteral("ＯＫ"));
    cmdCancel = createButton(this, QStringLiteral("cmdCancel"), QStringLiteral("キャンセル"));

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addStretch(1);

    auto *frames = new QVBoxLayout;
    frames->addWidget(Frame1);
    frames->addWidget(fraPacing);

    auto *layout = new QHBoxLayout(this);
    layout->addLayout(frames);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdSerialSetting, &QPushButton::clicked, this, [this] { cmdSerialSetting_Click(); });
    connect(cmdTelnetSetting, &QPushButton::clicked, this, [this] { cmdTelnetSetting_Click(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void frmTransmit::Form_Load()
{
    // Once an address is known the platform is not asked again: the button
    // keeps its designed state and nothing is enforced.
    if (m_settings.GetSetting(LocalPcSection, AddressKey, QString()).isEmpty()) {
        OsPlatform = m_systemPlatform;
        if (OsPlatform == Windows9x)
            cmdTelnetSetting->setVisible(false);
        else if (OsPlatform == WindowsNT)
            cmdTelnetSetting->setVisible(true);
    }
    const QString method = m_settings.GetSetting(QStringLiteral("Transmit"), QStringLiteral("Method"), QString());
    optTransmit[numericValue(method) == 0 ? 0 : 1]->setChecked(true);
    optPacing[serialPacing(m_settings) == TransferPacing::Echo ? 1 : 0]->setChecked(true);
}

void frmTransmit::optTransmit_Click(int index)
{
    const bool network = index == 1;
    cmdSerialSetting->setEnabled(!network);
    cmdTelnetSetting->setEnabled(network);
    // The LAN path hands the router a file to fetch; nothing is typed line
    // by line, so the choice stays put (and is saved as it is) until the
    // serial path is chosen again.
    fraPacing->setEnabled(!network);
}

void frmTransmit::cmdSerialSetting_Click()
{
    frmSerial dialog(m_settings, m_line, m_prompt, this);
    dialog.exec();
}

void frmTransmit::cmdTelnetSetting_Click()
{
    frmTelnetSetting dialog(m_settings, m_prompt, this);
    dialog.exec();
    if (const std::optional<QString> address = dialog.address())
        LocalPcAddress = *address;
}

void frmTransmit::cmdOK_Click()
{
    const bool network = optTransmit[1]->isChecked();
    if (OsPlatform == WindowsNT && network && LocalPcAddress.isEmpty()) {
        m_prompt.show(QStringLiteral("WindowsNTでこのツールを使用する場合は、") + CrLf
                          + QStringLiteral("\"設定\"ボタンをクリックしてこのＰＣの") + CrLf
                          + QStringLiteral("IPアドレスを入力して下さい。"),
                      QStringLiteral("telnetの設定"), MessageIcon::Information, MessageButtons::Ok);
        return;
    }
    m_settings.SaveSetting(QStringLiteral("Transmit"), QStringLiteral("Method"),
                           network ? QStringLiteral("1") : QStringLiteral("0"));
    m_settings.SaveSetting(TransmitSection, PacingKey, optPacing[1]->isChecked() ? EchoPacing : LinePacing);
    if (OsPlatform == WindowsNT)
        m_settings.SaveSetting(LocalPcSection, AddressKey, LocalPcAddress);
    accept();
}

void frmTransmit::cmdCancel_Click()
{
    reject();
}

} // namespace mg
