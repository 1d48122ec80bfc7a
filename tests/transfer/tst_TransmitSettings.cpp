// The four transmission settings windows driven as the operator drives them:
// what they show, what they save and what they refuse, and the serial
// settings applied to a real (pseudo-terminal) line.

#include "DialogTestKit.h"
#include "InputGuard.h"
#include "SerialLine.h"
#include "frmSerial.h"
#include "frmTelnet.h"
#include "frmTelnetSetting.h"
#include "frmTransmit.h"

#include <QDir>
#include <QGuiApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

using namespace mg;
using namespace dlgtest;

namespace {

const QString AppTitle = QStringLiteral("Quillmark KV700 Marrowgate");

// "Section/Key=Value" lines, sorted, for whole-store comparisons: a value
// written where nothing should be fails as surely as one missing.
QStringList linesOf(const mgtest::MemorySettings &settings)
{
    QStringList lines;
    for (auto it = settings.values.begin(); it != settings.values.end(); ++it)
        lines << it.key() + QLatin1Char('=') + it.value();
    return lines;
}

void load(mgtest::MemorySettings &settings, const QStringList &lines)
{
    for (const QString &line : lines) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        settings.values.insert(line.left(eq), line.mid(eq + 1));
    }
}

// A serial device without hardware: the line opens the slave end, the test
// holds both ends to read what the line set and what it wrote.
struct Pty {
    int master = -1;
    int slave = -1;
    QString path;
    Pty()
    {
        char name[128] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) == 0)
            path = QString::fromLocal8Bit(name);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    }
    ~Pty()
    {
        ::close(master);
        ::close(slave);
    }
    termios line() const
    {
        termios t{};
        ::tcgetattr(slave, &t);
        return t;
    }
    QByteArray readAll() const
    {
        QByteArray bytes;
        char buffer[256];
        for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
            bytes.append(buffer, n);
        return bytes;
    }
};

// Keys as the operator presses them: "⌫" Backspace, "↓" the down arrow,
// "⏎" Enter; anything else types its character.
void press(QWidget *target, const QString &keys)
{
    for (QChar ch : keys) {
        if (ch == QChar(0x232B))
            QTest::keyClick(target, Qt::Key_Backspace);
        else if (ch == QChar(0x2193))
            QTest::keyClick(target, Qt::Key_Down);
        else if (ch == QChar(0x23CE))
            QTest::keyClick(target, Qt::Key_Return);
        else
            QTest::keyClick(target, char(ch.unicode()));
    }
}

} // namespace

class TestTransmitSettings : public QObject {
    Q_OBJECT
private slots:
    void transmit_data();
    void transmit();
    void transmitOpensSerialSettings();

    void serialLoad_data();
    void serialLoad();
    void serialFields_data();
    void serialFields();
    void serialOk_data();
    void serialOk();

    void localAddress_data();
    void localAddress();

    void routerAddress_data();
    void routerAddress();

    void looks_data();
    void looks();
};

// ------------------------------------------------------------ frmTransmit

void TestTransmitSettings::transmit_data()
{
    QTest::addColumn<int>("platform");
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<bool>("addressButtonShown");
    QTest::addColumn<int>("selected");
    QTest::addColumn<int>("choose");
    QTest::addColumn<QString>("localAddress"); // typed in the address dialog; empty: not opened
    QTest::addColumn<QString>("finish");       // "ok", "cancel"
    QTest::addColumn<bool>("asked");           // the "telnetの設定" message, the window stays
    QTest::addColumn<QStringList>("after");

    const QStringList none;
    QTest::newRow("first run, serial kept") << 0 << none << true << 0 << 0 << "" << "ok" << false
                                            << QStringList{"Transmit/Method=0"};
    QTest::newRow("first run, network chosen freely")
        << 0 << none << true << 0 << 1 << "" << "ok" << false << QStringList{"Transmit/Method=1"};
    QTest::newRow("address typed but never written")
        << 0 << none << true << 0 << 1 << "10.0.0.5" << "ok" << false << QStringList{"Transmit/Method=1"};
    QTest::newRow("method 1 selects the network") << 0 << QStringList{"Transmit/Method=1"} << true << 1 << 0 << ""
                                                  << "ok" << false << QStringList{"Transmit/Method=0"};
    QTest::newRow("any number but 0 is the network")
        << 0 << QStringList{"Transmit/Method=2"} << true << 1 << 1 << "" << "ok" << false
        << QStringList{"Transmit/Method=1"};
    QTest::newRow("text reads as 0") << 0 << QStringList{"Transmit/Method=abc"} << true << 0 << 1 << "" << "cancel"
                                     << false << QStringList{"Transmit/Method=abc"};
    QTest::newRow("cancel saves nothing") << 0 << none << true << 0 << 1 << "" << "cancel" << false << none;
    QTest::newRow("95 hides the address button")
        << 1 << none << false << 0 << 1 << "" << "ok" << false << QStringList{"Transmit/Method=1"};
    QTest::newRow("NT without an address is asked") << 2 << none << true << 0 << 1 << "" << "ok" << true << none;
    QTest::newRow("NT with an address saves both") << 2 << none << true << 0 << 1 << "10.0.0.5" << "ok" << false
                                                   << QStringList{"LocalPC/IPAddr=10.0.0.5", "Transmit/Method=1"};
    QTest::newRow("NT on the serial line writes the empty address")
        << 2 << none << true << 0 << 0 << "" << "ok" << false
        << QStringList{"LocalPC/IPAddr=", "Transmit/Method=0"};
    QTest::newRow("NT with a saved address enforces and writes nothing")
        << 2 << QStringList{"LocalPC/IPAddr=10.0.0.9"} << true << 0 << 1 << "10.0.0.7" << "ok" << false
        << QStringList{"LocalPC/IPAddr=10.0.0.9", "Transmit/Method=1"};
}

void TestTransmitSettings::transmit()
{
    QFETCH(int, platform);
    QFETCH(QStringList, before);
    QFETCH(bool, addressButtonShown);
    QFETCH(int, selected);
    QFETCH(int, choose);
    QFETCH(QString, localAddress);
    QFETCH(QString, finish);
    QFETCH(bool, asked);
    QFETCH(QStringList, after);

    mgtest::MemorySettings settings;
    load(settings, before);
    SerialLine line(settings);
    mgtest::ScriptedPrompt prompt;
    frmTransmit w(settings, line, prompt, nullptr, frmTransmit::Platform(platform));
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));

    QCOMPARE(w.windowTitle(), QStringLiteral("設定の送信"));
    QCOMPARE(w.optTransmit[selected]->isChecked(), true);
    QCOMPARE(w.cmdTelnetSetting->isVisible(), addressButtonShown);
    QCOMPARE(w.cmdSerialSetting->isEnabled(), selected == 0);
    QCOMPARE(w.cmdTelnetSetting->isEnabled(), selected == 1);

    QTest::mouseClick(w.optTransmit[choose], Qt::LeftButton);
    QCOMPARE(w.cmdSerialSetting->isEnabled(), choose == 0);
    QCOMPARE(w.cmdTelnetSetting->isEnabled(), choose == 1);

    if (!localAddress.isEmpty()) {
        bool reached = false;
        QTimer::singleShot(0, &w, [&] {
            auto *dialog = qobject_cast<frmTelnetSetting *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            reached = true;
            typeInto(dialog->txtIP, localAddress);
            QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        });
        QTest::mouseClick(w.cmdTelnetSetting, Qt::LeftButton);
        QVERIFY(reached);
    }

    QTest::mouseClick(finish == QLatin1String("ok") ? w.cmdOK : w.cmdCancel, Qt::LeftButton);
    if (asked) {
        expectShown(prompt,
                    QStringLiteral("WindowsNTでこのツールを使用する場合は、\r\n\"設定\"ボタンをクリックしてこのＰＣの\r\n"
                                   "IPアドレスを入力して下さい。"),
                    QStringLiteral("telnetの設定"), MessageIcon::Information);
        QVERIFY(w.isVisible());
    } else {
        QVERIFY(prompt.shown.isEmpty());
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), int(finish == QLatin1String("ok") ? QDialog::Accepted : QDialog::Rejected));
    }
    QCOMPARE(linesOf(settings), after);
}

void TestTransmitSettings::transmitOpensSerialSettings()
{
    mgtest::MemorySettings settings;
    SerialLine line(settings);
    mgtest::ScriptedPrompt prompt;
    frmTransmit w(settings, line, prompt);
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QString opened;
    QTimer::singleShot(0, &w, [&] {
        if (auto *dialog = qobject_cast<frmSerial *>(QApplication::activeModalWidget())) {
            opened = dialog->windowTitle();
            QTest::keyClick(dialog, Qt::Key_Escape);
        }
    });
    QTest::mouseClick(w.cmdSerialSetting, Qt::LeftButton);
    QCOMPARE(opened, QStringLiteral("シリアルポートの設定"));
    QVERIFY(w.isVisible());
    QVERIFY(settings.values.isEmpty());
}

// ------------------------------------------------------------ frmSerial

void TestTransmitSettings::serialLoad_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("flow");
    QTest::addColumn<QStringList>("saved"); // MSComm
    // port, device, speed, data bits, parity, stop bits; echo and flow buttons
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<int>("echo");
    QTest::addColumn<int>("flowShown");

    const QStringList none;
    QTest::newRow("line only") << 1 << "9600,n,8,1" << 0 << none
                               << QStringList{"Com1", "/dev/mg-com1", "9600", "8", "None", "1"} << 0 << 0;
    QTest::newRow("even") << 3 << "19200,e,7,2" << 1 << none
                          << QStringList{"Com3", "/dev/mg-com3", "19200", "7", "Even", "2"} << 0 << 1;
    QTest::newRow("odd") << 4 << "110,o,5,1" << 3 << none
                         << QStringList{"Com4", "/dev/mg-com4", "110", "5", "Odd", "1"} << 0 << 3;
    QTest::newRow("mark") << 2 << "300,m,6,2" << 2 << none
                          << QStringList{"Com2", "/dev/mg-com2", "300", "6", "Mark", "2"} << 0 << 2;
    QTest::newRow("space") << 1 << "14400,s,8,1" << 0 << none
                           << QStringList{"Com1", "/dev/mg-com1", "14400", "8", "Space", "1"} << 0 << 0;
    QTest::newRow("saved values win")
        << 1 << "9600,n,8,1" << 0
        << QStringList{"Port=Com2", "Speed=4800", "DataBits=4", "Parity=Mark", "StopBits=1.5", "Echo=True", "Flow=3"}
        << QStringList{"Com2", "/dev/mg-com2", "4800", "4", "Mark", "1.5"} << 1 << 3;
    QTest::newRow("some saved") << 3 << "19200,e,7,2" << 2 << QStringList{"Speed=2400", "Echo=False"}
                                << QStringList{"Com3", "/dev/mg-com3", "2400", "7", "Even", "2"} << 0 << 2;
    QTest::newRow("saved values no list holds")
        << 1 << "9600,o,8,1" << 1 << QStringList{"Speed=38400", "Parity=even", "Port=Com9", "Flow=7", "Echo=yes"}
        << QStringList{"Com1", "/dev/mg-com1", "9600", "8", "Odd", "1"} << 0 << 1;
    QTest::newRow("echo as a number") << 1 << "9600,n,8,1" << 0 << QStringList{"Echo=-1", "Flow=0"}
                                      << QStringList{"Com1", "/dev/mg-com1", "9600", "8", "None", "1"} << 1 << 0;
}

void TestTransmitSettings::serialLoad()
{
    QFETCH(int, port);
    QFETCH(QString, line);
    QFETCH(int, flow);
    QFETCH(QStringList, saved);
    QFETCH(QStringList, shown);
    QFETCH(int, echo);
    QFETCH(int, flowShown);

    mgtest::MemorySettings settings;
    for (int n = 1; n <= 4; ++n)
        settings.SaveSetting("SerialDevices", QStringLiteral("Com%1").arg(n), QStringLiteral("/dev/mg-com%1").arg(n));
    for (const QString &pair : saved)
        settings.SaveSetting("MSComm", pair.section('=', 0, 0), pair.section('=', 1));
    SerialLine serial(settings);
    QVERIFY(serial.setPortNumber(port));
    QVERIFY2(serial.setSettingsString(line), qPrintable(serial.errorString()));
    QVERIFY(serial.setHandshaking(flow));
    const QStringList stored = linesOf(settings);

    mgtest::ScriptedPrompt prompt;
    frmSerial w(settings, serial, prompt);
    QCOMPARE(itemsOf(w.cboPort), (QStringList{"Com1", "Com2", "Com3", "Com4"}));
    QCOMPARE(itemsOf(w.cboSpeed),
             (QStringList{"110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200"}));
    QCOMPARE(itemsOf(w.cboDataBits), (QStringList{"4", "5", "6", "7", "8"}));
    QCOMPARE(itemsOf(w.cboParity), (QStringList{"Even", "Odd", "None", "Mark", "Space"}));
    QCOMPARE(itemsOf(w.cboStopBits), (QStringList{"1", "1.5", "2"}));
    const QStringList seen{w.cboPort->currentText(),     w.labDevice->text(),        w.cboSpeed->currentText(),
                           w.cboDataBits->currentText(), w.cboParity->currentText(), w.cboStopBits->currentText()};
    QCOMPARE(seen, shown);
    QVERIFY(w.optEcho[echo]->isChecked());
    QVERIFY(w.optFlow[flowShown]->isChecked());

    // The device label follows the choice.
    w.cboPort->setCurrentIndex(3);
    QCOMPARE(w.labDevice->text(), QStringLiteral("/dev/mg-com4"));

    // Cancel leaves line and store as they were.
    QTest::mouseClick(w.cmdCancel, Qt::LeftButton);
    QCOMPARE(w.result(), int(QDialog::Rejected));
    QCOMPARE(serial.portNumber(), port);
    QCOMPARE(serial.settingsString(), line);
    QCOMPARE(serial.handshaking(), flow);
    QCOMPARE(linesOf(settings), stored);
    QVERIFY(prompt.shown.isEmpty());
}

void TestTransmitSettings::serialFields_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("fields"); // speed, parity, data bits, stop bits

    QTest::newRow("plain") << "9600,n,8,1" << QStringList{"9600", "None", "8", "1"};
    QTest::newRow("one and a half") << "9600,n,8,1.5" << QStringList{"9600", "None", "8", "1.5"};
    QTest::newRow("slow, odd, 1.5") << "110,o,5,1.5" << QStringList{"110", "Odd", "5", "1.5"};
    QTest::newRow("unknown letter") << "9600,x,8,1" << QStringList{"9600", "", "8", "1"};
    QTest::newRow("upper case is not the line's") << "9600,N,8,1" << QStringList{"9600", "", "8", "1"};
    QTest::newRow("too short to read") << "1.5" << QStringList{"", "", "", "1.5"};
    QTest::newRow("empty") << "" << QStringList{"", "", "", ""};
}

void TestTransmitSettings::serialFields()
{
    QFETCH(QString, line);
    QFETCH(QStringList, fields);
    const frmSerial::PortFields f = frmSerial::fieldsOf(line);
    QCOMPARE((QStringList{f.speed, f.parity, f.dataBits, f.stopBits}), fields);
}

void TestTransmitSettings::serialOk_data()
{
    QTest::addColumn<bool>("openBefore");
    QTest::addColumn<QStringList>("choice"); // port, speed, data bits, parity, stop bits
    QTest::addColumn<int>("flow");
    QTest::addColumn<int>("echo");
    QTest::addColumn<QString>("refusal"); // part of the line's description; "-": any
    QTest::addColumn<int>("portAfter");
    QTest::addColumn<QString>("lineAfter");

    QTest::newRow("open line moves to another port")
        << true << QStringList{"Com2", "19200", "8", "Mark", "2"} << 1 << 1 << "" << 2 << "19200,m,8,2";
    QTest::newRow("Xon/RTS on the open line")
        << true << QStringList{"Com1", "9600", "8", "Space", "1"} << 3 << 1 << "" << 1 << "9600,s,8,1";
    QTest::newRow("same port, new speed")
        << true << QStringList{"Com1", "4800", "8", "Odd", "1"} << 0 << 0 << "" << 1 << "4800,o,8,1";
    QTest::newRow("closed line only records")
        << false << QStringList{"Com2", "2400", "8", "None", "1"} << 0 << 0 << "" << 2 << "2400,n,8,1";
    QTest::newRow("4 data bits") << true << QStringList{"Com1", "9600", "4", "None", "1"} << 0 << 0
                                 << "データ ビット 4" << 1 << "9600,n,8,1";
    QTest::newRow("1.5 stop bits") << true << QStringList{"Com1", "9600", "8", "None", "1.5"} << 0 << 0
                                   << "ストップ ビット 1.5" << 1 << "9600,n,8,1";
    QTest::newRow("missing device keeps the old port")
        << true << QStringList{"Com3", "9600", "8", "None", "1"} << 0 << 0 << "-" << 1 << "9600,n,8,1";
    QTest::newRow("switched, then settings refused")
        << true << QStringList{"Com2", "9600", "4", "None", "1"} << 0 << 0 << "データ ビット 4" << 2 << "9600,n,8,1";
}

void TestTransmitSettings::serialOk()
{
    QFETCH(bool, openBefore);
    QFETCH(QStringList, choice);
    QFETCH(int, flow);
    QFETCH(int, echo);
    QFETCH(QString, refusal);
    QFETCH(int, portAfter);
    QFETCH(QString, lineAfter);

    Pty com1, com2;
    QVERIFY(!com1.path.isEmpty() && !com2.path.isEmpty());
    mgtest::MemorySettings settings;
    settings.SaveSetting("SerialDevices", "Com1", com1.path);
    settings.SaveSetting("SerialDevices", "Com2", com2.path);
    settings.SaveSetting("SerialDevices", "Com3", QDir::tempPath() + "/marrowgate-no-such-tty");
    const QStringList stored = linesOf(settings);
    SerialLine serial(settings);
    if (openBefore)
        QVERIFY2(serial.open(), qPrintable(serial.errorString()));

    mgtest::ScriptedPrompt prompt;
    frmSerial w(settings, serial, prompt);
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    const QList<QComboBox *> lists{w.cboPort, w.cboSpeed, w.cboDataBits, w.cboParity, w.cboStopBits};
    for (int i = 0; i < lists.size(); ++i) {
        lists[i]->setCurrentIndex(lists[i]->findText(choice[i]));
        QCOMPARE(lists[i]->currentText(), choice[i]);
    }
    QTest::mouseClick(w.optFlow[flow], Qt::LeftButton);
    QTest::mouseClick(w.optEcho[echo], Qt::LeftButton);
    QTest::mouseClick(w.cmdOK, Qt::LeftButton);

    QVERIFY2(!refusal.isEmpty() || prompt.shown.isEmpty(), qPrintable(prompt.lastText()));
    QCOMPARE(serial.portNumber(), portAfter);
    QCOMPARE(serial.isOpen(), openBefore);
    QCOMPARE(serial.settingsString(), lineAfter);
    if (!refusal.isEmpty()) {
        QCOMPARE(prompt.shown.size(), 1);
        const QString text = prompt.lastText();
        QVERIFY2(refusal == QLatin1String("-") ? !text.isEmpty() : text.contains(refusal), qPrintable(text));
        // The line's own description, word for word.
        QCOMPARE(text, serial.errorString());
        expectShown(prompt, text, AppTitle, MessageIcon::Warning);
        QVERIFY(w.isVisible());
        QCOMPARE(serial.handshaking(), 0);
        QCOMPARE(linesOf(settings), stored);
        return;
    }
    QVERIFY(prompt.shown.isEmpty());
    QVERIFY(!w.isVisible());
    QCOMPARE(w.result(), int(QDialog::Accepted));
    QCOMPARE(serial.handshaking(), flow);
    QStringList expected = stored;
    expected << "MSComm/DataBits=" + choice[2] << QStringLiteral("MSComm/Echo=%1").arg(echo ? "True" : "False")
             << QStringLiteral("MSComm/Flow=%1").arg(flow) << "MSComm/Parity=" + choice[3] << "MSComm/Port=" + choice[0]
             << "MSComm/Speed=" + choice[1] << "MSComm/StopBits=" + choice[4];
    expected.sort();
    QCOMPARE(linesOf(settings), expected);

    if (!openBefore)
        return;
    // The device behind the chosen port runs as chosen and carries the text.
    const Pty &device = portAfter == 1 ? com1 : com2;
    const termios t = device.line();
    const QMap<QString, speed_t> speeds{{"4800", B4800}, {"9600", B9600}, {"19200", B19200}};
    QCOMPARE(cfgetospeed(&t), speeds.value(choice[1]));
    QCOMPARE((t.c_cflag & CSTOPB) != 0, choice[4] == "2");
    QCOMPARE((t.c_iflag & IXON) != 0, flow == 1 || flow == 3);
    QCOMPARE((t.c_cflag & CRTSCTS) != 0, flow >= 2);
    QVERIFY(serial.write(QStringLiteral("show\r\n")));
    QByteArray written;
    QTRY_VERIFY((written += device.readAll()).contains("show"));
}

// ------------------------------------------------------------ frmTelnetSetting

void TestTransmitSettings::localAddress_data()
{
    QTest::addColumn<QString>("saved");
    QTest::addColumn<QString>("keys"); // "-": the box is not touched
    QTest::addColumn<QString>("kept");
    QTest::addColumn<QString>("finish");
    QTest::addColumn<bool>("refused"); // the format message, the window stays
    QTest::addColumn<QString>("result");

    QTest::newRow("saved address accepted") << "10.1.2.3" << "-" << "10.1.2.3" << "ok" << false << "10.1.2.3";
    QTest::newRow("letters and blanks refused")
        << "" << "192.168.1.a5 " << "192.168.1.5" << "ok" << false << "192.168.1.5";
    QTest::newRow("15 characters at most")
        << "" << "255.255.255.2555" << "255.255.255.255" << "ok" << false << "255.255.255.255";
    QTest::newRow("full-width digit refused") << "" << "1.2.3.４" << "1.2.3." << "ok" << true << "";
    QTest::newRow("three parts") << "1.2.3.4" << "1.2.3" << "1.2.3" << "ok" << true << "";
    QTest::newRow("empty") << "1.2.3.4" << "" << "" << "ok" << true << "";
    QTest::newRow("cancel") << "10.1.2.3" << "10.9.9.9" << "10.9.9.9" << "cancel" << false << "";
}

void TestTransmitSettings::localAddress()
{
    QFETCH(QString, saved);
    QFETCH(QString, keys);
    QFETCH(QString, kept);
    QFETCH(QString, finish);
    QFETCH(bool, refused);
    QFETCH(QString, result);

    mgtest::MemorySettings settings;
    settings.SaveSetting("LocalPC", "IPAddr", saved);
    Shown<frmTelnetSetting> ui({}, settings);
    QCOMPARE(ui.dialog.windowTitle(), QStringLiteral("IP アドレス"));
    QCOMPARE(ui.get("txtIP")->text(), saved);
    if (keys != QLatin1String("-")) {
        QSignalSpy beeps(ui.dialog.findChild<InputGuard *>(), &InputGuard::refused);
        typeInto(ui.get("txtIP"), keys);
        QCOMPARE(beeps.count(), keys.size() - kept.size());
    }
    QCOMPARE(ui.get("txtIP")->text(), kept);
    ui.press(finish == QLatin1String("ok") ? "cmdOK" : "cmdCancel");
    if (refused) {
        expectShown(ui.prompt, QStringLiteral("IP アドレスの形式が不正です。"), QStringLiteral("IP アドレス"));
        QVERIFY(ui.dialog.isVisible());
        QVERIFY(ui.get("txtIP")->hasFocus());
        QCOMPARE(ui.get("txtIP")->selectedText(), kept);
        QTest::keyClick(ui.get("txtIP"), Qt::Key_Escape);
    }
    QVERIFY(ui.prompt.shown.isEmpty());
    QVERIFY(!ui.dialog.isVisible());
    QCOMPARE(ui.dialog.address(), result.isEmpty() ? std::nullopt : std::optional<QString>(result));
    QCOMPARE(linesOf(settings), QStringList{"LocalPC/IPAddr=" + saved});
}

// ------------------------------------------------------------ frmTelnet

void TestTransmitSettings::routerAddress_data()
{
    QTest::addColumn<QString>("target"); // where the keys go: "combo", "edit" (its line edit), "focus"
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<int>("refusedKeys");
    QTest::addColumn<QString>("finish"); // "", "ok", "cancel", "close", "escape"; "" when the keys end it
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("result");

    const QString format = QStringLiteral("IP アドレスの形式が不正です。");
    QTest::newRow("first entry as offered") << "combo" << "" << "192.168.42.2" << 0 << "ok" << "" << "192.168.42.2";
    QTest::newRow("combo: letter refused, Enter accepts")
        << "combo" << "⌫10.0.0.2x⏎" << "10.0.0.2" << 1 << "" << "" << "10.0.0.2";
    QTest::newRow("focused: blank refused, Enter accepts")
        << "focus" << "⌫127.0.0 .2⏎" << "127.0.0.2" << 1 << "" << "" << "127.0.0.2";
    QTest::newRow("line edit: hyphen refused")
        << "edit" << "⌫172.16.0.1-" << "172.16.0.1" << 1 << "ok" << "" << "172.16.0.1";
    QTest::newRow("combo: 15 characters at most")
        << "combo" << "⌫192.168.100.1001" << "192.168.100.100" << 1 << "ok" << "" << "192.168.100.100";
    QTest::newRow("the Ethernet address from the list")
        << "combo" << "↓↓" << "192.168.1.1" << 0 << "ok" << "" << "192.168.1.1";
    QTest::newRow("empty") << "combo" << "⌫" << "" << 0 << "cancel" << "ルータのIPアドレスは省略できません。" << "";
    QTest::newRow("Enter on a malformed address, then closed")
        << "combo" << "⌫1.2.3⏎" << "1.2.3" << 0 << "close" << format << "";
    QTest::newRow("OK on a malformed address, then Escape")
        << "edit" << "⌫1.2..3.4" << "1.2..3.4" << 0 << "escape" << format << "";
    QTest::newRow("cancel a valid address") << "focus" << "⌫10.0.0.2" << "10.0.0.2" << 0 << "cancel" << "" << "";
}

void TestTransmitSettings::routerAddress()
{
    QFETCH(QString, target);
    QFETCH(QString, keys);
    QFETCH(QString, kept);
    QFETCH(int, refusedKeys);
    QFETCH(QString, finish);
    QFETCH(QString, message);
    QFETCH(QString, result);

    Shown<frmTelnet> ui({}, QStringLiteral("192.168.1.1"));
    frmTelnet &w = ui.dialog;
    QCOMPARE(w.windowTitle(), QStringLiteral("KV700 の IP アドレス"));
    QCOMPARE(itemsOf(w.cboRouterIP), (QStringList{"192.168.42.2", "192.168.44.2", "192.168.1.1"}));
    QCOMPARE(w.cboRouterIP->currentText(), QStringLiteral("192.168.42.2"));

    QSignalSpy beeps(w.findChild<InputGuard *>(), &InputGuard::refused);
    w.cboRouterIP->setFocus(Qt::TabFocusReason);
    w.cboRouterIP->lineEdit()->selectAll();
    QWidget *to = target == QLatin1String("combo") ? static_cast<QWidget *>(w.cboRouterIP)
                  : target == QLatin1String("edit") ? static_cast<QWidget *>(w.cboRouterIP->lineEdit())
                                                    : QApplication::focusWidget();
    QVERIFY(to);
    press(to, keys);
    QCOMPARE(beeps.count(), refusedKeys);
    QCOMPARE(w.cboRouterIP->currentText(), kept);
    if (finish == QLatin1String("ok") || (!message.isEmpty() && !keys.endsWith(QChar(0x23CE))))
        ui.press("cmdOK");
    if (!message.isEmpty()) {
        expectShown(ui.prompt, message, QStringLiteral("ルータのIPアドレス"));
        QVERIFY(w.isVisible());
        QVERIFY(w.cboRouterIP->hasFocus() || w.cboRouterIP->lineEdit()->hasFocus());
        QCOMPARE(w.cboRouterIP->lineEdit()->selectedText(), kept);
    }
    if (finish == QLatin1String("cancel"))
        ui.press("cmdCancel");
    else if (finish == QLatin1String("close"))
        w.close();
    else if (finish == QLatin1String("escape"))
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(ui.prompt.shown.isEmpty());
    QVERIFY(!w.isVisible());
    QCOMPARE(w.result(), int(result.isEmpty() ? QDialog::Rejected : QDialog::Accepted));
    QCOMPARE(w.routerAddress(), result.isEmpty() ? std::nullopt : std::optional<QString>(result));
}

// ------------------------------------------------------------ all four

void TestTransmitSettings::looks_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<int>("points");
    for (const char *window : {"frmTransmit", "frmSerial", "frmTelnetSetting", "frmTelnet"}) {
        QTest::newRow(window) << window << 0;
        QTest::newRow(qPrintable(QStringLiteral("%1 large").arg(window))) << window << 16;
    }
}

// Nothing clipped on a 1024x768 screen, at the usual font and a large one;
// frmSerial opens in the middle of the screen. With MG_SCREENSHOT_DIR set,
// each window is saved there as a picture to look at.
void TestTransmitSettings::looks()
{
    QFETCH(QString, window);
    QFETCH(int, points);
    FontSize font(points);
    mgtest::MemorySettings settings;
    settings.SaveSetting("LocalPC", "IPAddr", "192.168.100.200");
    SerialLine serial(settings);
    mgtest::ScriptedPrompt prompt;
    std::unique_ptr<QDialog> w;
    if (window == QLatin1String("frmTransmit"))
        w = std::make_unique<frmTransmit>(settings, serial, prompt);
    else if (window == QLatin1String("frmSerial"))
        w = std::make_unique<frmSerial>(settings, serial, prompt);
    else if (window == QLatin1String("frmTelnetSetting"))
        w = std::make_unique<frmTelnetSetting>(settings, prompt);
    else
        w = std::make_unique<frmTelnet>(QStringLiteral("192.168.100.200"), prompt);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    checkNothingClipped(w.get());
    for (const QComboBox *list : w->findChildren<QComboBox *>())
        QVERIFY2(list->width() >= list->minimumSizeHint().width(), qPrintable(list->objectName()));
    if (window == QLatin1String("frmSerial")) {
        const QRect screen = w->screen()->geometry();
        QVERIFY(qAbs(w->frameGeometry().center().x() - screen.center().x()) <= 1);
        QVERIFY(qAbs(w->frameGeometry().center().y() - screen.center().y()) <= 1);
    }
    const QString dir = qEnvironmentVariable("MG_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        QDir().mkpath(dir);
        const QString file = QStringLiteral("%1/%2%3.png").arg(dir, window, points ? "-large" : "");
        QVERIFY(w->grab().save(file));
    }
}

QTEST_MAIN(TestTransmitSettings)
#include "tst_TransmitSettings.moc"
