#include "frmSerial.h"

#include "DialogButtons.h"
#include "NumericText.h"

#include <QButtonGroup>
#include <QFileInfo>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace mg {

namespace {

const QString Caption = QStringLiteral("シリアルポートの設定");
// A refusal of the line has no title of its own: it goes out under the
// program's name, as every line failure does.
const QString LineFailureTitle = QStringLiteral("Quillmark KV700 Marrowgate");
const QString Section = QStringLiteral("MSComm");

const QStringList Speeds{"110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200"};
const QStringList DataBits{"4", "5", "6", "7", "8"};
const QStringList Parities{"Even", "Odd", "None", "Mark", "Space"};
const QStringList StopBits{"1", "1.5", "2"};
// What the entries of the parity and stop-bit lists stand for, in their order.
constexpr SerialSettings::Parity ParityChoices[] = {SerialSettings::Parity::Even, SerialSettings::Parity::Odd,
                                                    SerialSettings::Parity::None, SerialSettings::Parity::Mark,
                                                    SerialSettings::Parity::Space};
constexpr SerialSettings::StopBits StopBitChoices[] = {SerialSettings::StopBits::One,
                                                       SerialSettings::StopBits::OneAndHalf,
                                                       SerialSettings::StopBits::Two};

QComboBox *makeList(QWidget *parent, const char *name, const QStringList &items)
{
    auto *combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->addItems(items);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return combo;
}

// A value of the line that the list does not hold selects nothing rather
// than a wrong entry.
void selectText(QComboBox *combo, const QString &text)
{
    combo->setCurrentIndex(combo->findText(text, Qt::MatchExactly));
}

// A saved value the list does not hold (a hand-edited settings file) is
// passed over: the line's own value stays.
void selectSaved(QComboBox *combo, const QString &text)
{
    if (const int index = combo->findText(text, Qt::MatchExactly); index >= 0)
        combo->setCurrentIndex(index);
}

// "True"/"False" as the settings hold them; a number counts as true when it
// is not 0.
bool booleanOf(const QString &text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    return numericValue(t) != 0;
}

} // namespace

frmSerial::frmSerial(SettingsStore &settings, SerialLine &line, MessagePrompt &prompt, QWidget *parent)
    : QDialog(parent), m_settings(settings), m_line(line), m_prompt(prompt)
{
    setObjectName(QStringLiteral("frmSerial"));
    setWindowTitle(Caption);
    setModal(true);
    buildControls();
    Form_Load();
}

void frmSerial::buildControls()
{
    cboPort = makeList(this, "cboPort", {});
    for (int port = 1; port <= 4; ++port)
        cboPort->addItem(SerialDevices::comName(port));
    Label1 = new QLabel(QStringLiteral("ポート："), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setBuddy(cboPort);
    labDevice = new QLabel(this);
    labDevice->setObjectName(QStringLiteral("labDevice"));
    labDevice->setTextInteractionFlags(Qt::TextSelectableByMouse);

    fraSpeed = new QGroupBox(QStringLiteral("通信速度"), this);
    fraSpeed->setObjectName(QStringLiteral("fraSpeed"));
    cboSpeed = makeList(fraSpeed, "cboSpeed", Speeds);
    auto *speedRow = new QHBoxLayout(fraSpeed);
    speedRow->addWidget(cboSpeed);
    speedRow->addStretch(1);

    fraConnection = new QGroupBox(QStringLiteral("接続設定"), this);
    fraConnection->setObjectName(QStringLiteral("fraConnection"));
    cboDataBits = makeList(fraConnection, "cboDataBits", DataBits);
    cboParity = makeList(fraConnection, "cboParity", Parities);
    cboStopBits = makeList(fraConnection, "cboStopBits", StopBits);
    auto *framing = new QFormLayout(fraConnection);
    framing->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    framing->addRow(QStringLiteral("データビット："), cboDataBits);
    framing->addRow(QStringLiteral("パリティ："), cboParity);
    framing->addRow(QStringLiteral("ストップビット："), cboStopBits);

    fraEcho = new QGroupBox(QStringLiteral("エコー(&E)"), this);
    fraEcho->setObjectName(QStringLiteral("fraEcho"));
    auto *echoColumn = new QVBoxLayout(fraEcho);
    auto *echoGroup = new QButtonGroup(this);
    const QStringList echoCaptions{QStringLiteral("Off"), QStringLiteral("On")};
    for (int i = 0; i < 2; ++i) {
        optEcho[i] = new QRadioButton(echoCaptions[i], fraEcho);
        optEcho[i]->setObjectName(QStringLiteral("optEcho(%1)").arg(i));
        echoGroup->addButton(optEcho[i], i);
        echoColumn->addWidget(optEcho[i]);
        connect(optEcho[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                optEcho_Click(i);
        });
    }
    echoColumn->addStretch(1);

    fraFlow = new QGroupBox(QStringLiteral("フロー制御(&F)"), this);
    fraFlow->setObjectName(QStringLiteral("fraFlow"));
    auto *flowColumn = new QVBoxLayout(fraFlow);
    auto *flowGroup = new QButtonGroup(this);
    const QStringList flowCaptions{QStringLiteral("なし"), QStringLiteral("Xon/Xoff"), QStringLiteral("RTS"),
                                   QStringLiteral("Xon/RTS")};
    for (int i = 0; i < 4; ++i) {
        optFlow[i] = new QRadioButton(flowCaptions[i], fraFlow);
        optFlow[i]->setObjectName(QStringLiteral("optFlow(%1)").arg(i));
        flowGroup->addButton(optFlow[i], i);
        flowColumn->addWidget(optFlow[i]);
        connect(optFlow[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                optFlow_Click(i);
        });
    }

    cmdOK = createButton(this, QStringLiteral("cmdOK"), QStringLiteral("OK"));
    cmdCancel = createButton(this, QStringLiteral("cmdCancel"), QStringLiteral("キャンセル"));

    auto *portRow = new QHBoxLayout;
    portRow->addWidget(Label1);
    portRow->addWidget(cboPort);
    portRow->addWidget(labDevice);
    portRow->addStretch(1);

    auto *grid = new QGridLayout;
    grid->addWidget(fraSpeed, 0, 0);
    grid->addWidget(fraEcho, 1, 0);
    grid->addWidget(fraConnection, 0, 1, 2, 1);
    grid->addWidget(fraFlow, 0, 2, 2, 1);

    QHBoxLayout *buttons = buttonRow({cmdOK, cmdCancel});

    fraAttached = new QGroupBox(QStringLiteral("接続されているデバイス"), this);
    fraAttached->setObjectName(QStringLiteral("fraAttached"));
    labDeviceState = new QLabel(fraAttached);
    labDeviceState->setObjectName(QStringLiteral("labDeviceState"));
    labDeviceState->setWordWrap(true);
    cboAdapter = makeList(fraAttached, "cboAdapter", {});
    labAdapter = new QLabel(QStringLiteral("シリアル変換器(&A)："), fraAttached);
    labAdapter->setObjectName(QStringLiteral("labAdapter"));
    labAdapter->setBuddy(cboAdapter);
    auto *attached = new QGridLayout(fraAttached);
    attached->addWidget(labDeviceState, 0, 0, 1, 2);
    attached->addWidget(labAdapter, 1, 0);
    attached->addWidget(cboAdapter, 1, 1, Qt::AlignLeft);
    attached->setColumnStretch(1, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(portRow);
    layout->addLayout(grid);
    layout->addWidget(fraAttached);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cboPort, &QComboBox::currentIndexChanged, this, [this] { showDevice(); });
    // Only the operator's choice: listing and following the port set the
    // index without choosing anything.
    connect(cboAdapter, &QComboBox::activated, this, [this](int index) { cboAdapter_Activated(index); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void frmSerial::Form_Load()
{
    // The line as it runs now.
    const SerialSettings current = m_line.settings();
    selectText(cboSpeed, QString::number(current.speed));
    cboParity->setCurrentIndex(int(std::find(std::begin(ParityChoices), std::end(ParityChoices), current.parity)
                                   - std::begin(ParityChoices)));
    selectText(cboDataBits, QString::number(current.dataBits));
    selectText(cboStopBits, current.stopBitsText());
    cboPort->setCurrentIndex(m_line.portNumber() - 1);
    optFlow[int(current.flow)]->setChecked(true);
    optEcho[0]->setChecked(true);
    listAdapters();

    // What the operator accepted last time wins over the line's state.
    const QList<QPair<QString, QString>> saved = m_settings.GetAllSettings(Section);
    if (saved.isEmpty())
        return;
    for (const auto &[key, value] : saved) {
        if (key == QLatin1String("Port"))
            selectSaved(cboPort, value);
        else if (key == QLatin1String("Speed"))
            selectSaved(cboSpeed, value);
        else if (key == QLatin1String("DataBits"))
            selectSaved(cboDataBits, value);
        else if (key == QLatin1String("Parity"))
            selectSaved(cboParity, value);
        else if (key == QLatin1String("StopBits"))
            selectSaved(cboStopBits, value);
        else if (key == QLatin1String("Echo"))
            Echo = booleanOf(value);
        else if (key == QLatin1String("Flow")) {
            // A value no button stands for keeps the line's own.
            const int flow = numericValue(value);
            if (flow >= 0 && flow <= 3)
                Flow = flow;
        }
    }
    optFlow[Flow]->setChecked(true);
    optEcho[Echo ? 1 : 0]->setChecked(true);
}

void frmSerial::setAdapterFolder(const QString &folder)
{
    m_adapterFolder = folder;
    listAdapters();
}

QString frmSerial::shownDevice(int port) const
{
    if (port < 1 || port > 4)
        return QString();
    return m_chosenDevice[port - 1].isEmpty() ? m_line.devicePathFor(port) : m_chosenDevice[port - 1];
}

void frmSerial::showDevice()
{
    const int port = cboPort->currentIndex() + 1;
    const QString device = shownDevice(port);
    labDevice->setText(device);
    if (device.isEmpty())
        labDeviceState->clear();
    else if (QFileInfo::exists(device))
        labDeviceState->setText(QStringLiteral("%1 のデバイス %2 はあります。").arg(cboPort->currentText(), device));
    else
        labDeviceState->setText(QStringLiteral("%1 のデバイス %2 はありません。ケーブル (USB シリアル変換器) が"
                                               "つながっているか確かめるか、下のシリアル変換器を選んでください。")
                                    .arg(cboPort->currentText(), device));
    // The adapter the port already stands for shows as chosen.
    const int listed = cboAdapter->findData(device);
    cboAdapter->setCurrentIndex(listed > 0 ? listed : 0);
}

void frmSerial::listAdapters()
{
    const QList<SerialAdapter> adapters = findSerialAdapters(m_adapterFolder);
    cboAdapter->clear();
    cboAdapter->addItem(adapters.isEmpty() ? QStringLiteral("(見つかりません)")
                                           : QStringLiteral("(選ぶと、このポートのデバイスになります)"));
    for (const SerialAdapter &adapter : adapters)
        cboAdapter->addItem(QStringLiteral("%1 (%2)").arg(adapter.name, adapter.device), adapter.path);
    cboAdapter->setEnabled(!adapters.isEmpty());
    showDevice();
}

void frmSerial::cboAdapter_Activated(int index)
{
    const int port = cboPort->currentIndex() + 1;
    if (index <= 0 || port < 1 || port > 4)
        return;
    m_chosenDevice[port - 1] = cboAdapter->itemData(index).toString();
    showDevice();
}

// Saves the adapters chosen for the ports, before the line is switched: an
// open line reads the device of its new port when it moves there. The
// values they replace go to before, to be put back when OK is refused (a
// key that was not there comes back empty, which reads as the default).
void frmSerial::saveChosenDevices(QList<QPair<QString, QString>> *before)
{
    const QString section = QString::fromLatin1(SerialDevices::Section);
    for (int port = 1; port <= 4; ++port) {
        const QString &chosen = m_chosenDevice[port - 1];
        if (chosen.isEmpty() || chosen == m_line.devicePathFor(port))
            continue;
        const QString key = SerialDevices::comName(port);
        before->append({key, m_settings.GetSetting(section, key)});
        m_settings.SaveSetting(section, key, chosen);
    }
}

void frmSerial::optEcho_Click(int index)
{
    Echo = index == 1;
}

void frmSerial::optFlow_Click(int index)
{
    Flow = index;
}

void frmSerial::reportLineFailure()
{
    m_prompt.show(m_line.errorString(), LineFailureTitle, MessageIcon::Warning, MessageButtons::Ok);
}

void frmSerial::cmdOK_Click()
{
    QList<QPair<QString, QString>> replaced;
    saveChosenDevices(&replaced);
    const auto refuse = [&] {
        for (const auto &[key, value] : replaced)
            m_settings.SaveSetting(QString::fromLatin1(SerialDevices::Section), key, value);
        reportLineFailure();
    };
    // The line keeps its old port (open as it was) when the new one fails.
    const int port = cboPort->currentIndex() + 1;
    if (port != m_line.portNumber() && !m_line.setPortNumber(port)) {
        refuse();
        return;
    }

    if (!m_line.setSettings(chosenSettings())) {
        refuse();
        return;
    }

    m_settings.SaveSetting(Section, QStringLiteral("Port"), cboPort->currentText());
    m_settings.SaveSetting(Section, QStringLiteral("Speed"), cboSpeed->currentText());
    m_settings.SaveSetting(Section, QStringLiteral("DataBits"), cboDataBits->currentText());
    m_settings.SaveSetting(Section, QStringLiteral("Parity"), cboParity->currentText());
    m_settings.SaveSetting(Section, QStringLiteral("StopBits"), cboStopBits->currentText());
    m_settings.SaveSetting(Section, QStringLiteral("Echo"), Echo ? QStringLiteral("True") : QStringLiteral("False"));
    m_settings.SaveSetting(Section, QStringLiteral("Flow"), QString::number(Flow));
    accept();
}

SerialSettings frmSerial::chosenSettings() const
{
    // A list that shows no entry gives a value the line refuses with its
    // own description.
    SerialSettings chosen;
    chosen.speed = cboSpeed->currentText().trimmed().toInt();
    const int parity = cboParity->currentIndex();
    if (parity >= 0)
        chosen.parity = ParityChoices[parity];
    chosen.dataBits = cboDataBits->currentText().trimmed().toInt();
    const int stopBits = cboStopBits->currentIndex();
    if (stopBits >= 0)
        chosen.stopBits = StopBitChoices[stopBits];
    chosen.flow = SerialSettings::flowOf(Flow).value_or(SerialSettings::Flow::None);
    return chosen;
}

void frmSerial::cmdCancel_Click()
{
    reject();
}

void frmSerial::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_centered) {
        m_centered = true;
        centerOnScreen();
    }
}

void frmSerial::centerOnScreen()
{
    QScreen *screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QRect frame = frameGeometry();
    move(area.x() + (area.width() - frame.width()) / 2, area.y() + (area.height() - frame.height()) / 2);
}

} // namespace mg
