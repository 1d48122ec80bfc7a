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
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

#include <pty.h>
#include <unistd.h>

using namespace mg;
using namespace dlgtest;

namespace {

// A table cell of words; an empty cell is no words.
QStringList words(const QString &cell) { return cell.split(QLatin1Char(' '), Qt::SkipEmptyParts); }

// "Section/Key=Value" lines, sorted, for whole-store comparisons: a value
// written where nothing should be fails as surely as one missing.
QStringList linesOf(const mgtest::MemorySettings &settings)
{
    QStringList lines;
    for (auto it = settings.values.begin(); it != settings.values.end(); ++it)
        lines << it.key() + QLatin1Char('=') + it.value();
    return lines;
}

// A serial device without hardware for the line to open. (What the line
// then sets on the device is the line's own test.)
struct Pty {
    int master = -1, slave = -1;
    QString path;
    Pty()
    {
        char name[128] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) == 0)
            path = QString::fromLocal8Bit(name);
    }
    ~Pty() { ::close(master), ::close(slave); }
};

// One of the four windows by its name; `ethernet` is the LAN address frmTelnet offers.
std::unique_ptr<QDialog> makeWindow(const QString &name, mgtest::MemorySettings &settings, SerialLine &serial,
                                    mgtest::ScriptedPrompt &prompt, const QString &ethernet)
{
    if (name == QLatin1String("frmTransmit"))
        return std::make_unique<frmTransmit>(settings, serial, prompt);
    if (name == QLatin1String("frmSerial"))
        return std::make_unique<frmSerial>(settings, serial, prompt);
    if (name == QLatin1String("frmTelnetSetting"))
        return std::make_unique<frmTelnetSetting>(settings, prompt);
    return std::make_unique<frmTelnet>(ethernet, prompt);
}

struct TransmitCase {
    int platform;
    const char *before; // settings lines
    int selected, choose;
    QString typed;      // into the address dialog; empty: not opened
    bool ok, asked;     // OK, else Cancel; the "telnetの設定" message, the window stays
    const char *after;
};

// "Transmit/Pacing" through the dialog, and what a serial transfer from the
// script window then gets (frmTransmit::serialPacing sets the request's pacing).
struct PacingCase {
    const char *before; // the stored value; nullptr: none
    int method;         // stored "Transmit/Method"
    int shown, choose;  // optPacing index on opening, then clicked
    bool ok;            // OK, else Cancel
    const char *after;  // the stored value; nullptr: none
    bool echo;          // the pacing a serial transfer gets
};

struct SerialLoadCase {
    int port;
    QString line;
    int flow;
    const char *saved; // MSComm values
    const char *shown; // port, device, speed, data bits, parity, stop bits
    int echo, flowShown;
};

struct SerialOkCase {
    bool openBefore;
    const char *choice; // port, speed, data bits, parity, stop bits
    int flow, echo;
    QString refusal;    // part of the line's description; "-": any
    int portAfter;
    QString lineAfter;
};

// An address typed into frmTelnetSetting (this PC's) or frmTelnet (the router's).
struct AddressCase {
    QString saved;   // this PC's address as saved
    QString target;  // where the keys go: the "box", the router's "combo", or whatever has the "focus"
    QString keys;    // "⌫" Backspace, "↓" down, "⏎" Enter; anything else types its character
    QString kept;
    int refusedKeys;
    QString finish;  // "ok", "cancel", "close", "escape"; "" when the keys end it
    QString message; // shown on finishing; the window stays
    QString result;
};

} // namespace

Q_DECLARE_METATYPE(TransmitCase)
Q_DECLARE_METATYPE(PacingCase)
Q_DECLARE_METATYPE(SerialLoadCase)
Q_DECLARE_METATYPE(SerialOkCase)
Q_DECLARE_METATYPE(AddressCase)

class TestTransmitSettings : public QObject {
    Q_OBJECT
private slots:
    void transmit_data()
    {
        QTest::addColumn<TransmitCase>("c");
        const auto row = [](const char *name, const TransmitCase &c) { QTest::newRow(name) << c; };
        row("first run, serial kept", {0, "", 0, 0, "", true, false, "Transmit/Method=0 Transmit/Pacing=line"});
        row("first run, network chosen freely",
            {0, "", 0, 1, "", true, false, "Transmit/Method=1 Transmit/Pacing=line"});
        row("address typed but never written",
            {0, "", 0, 1, "10.0.0.5", true, false, "Transmit/Method=1 Transmit/Pacing=line"});
        row("method 1 selects the network",
            {0, "Transmit/Method=1", 1, 0, "", true, false, "Transmit/Method=0 Transmit/Pacing=line"});
        row("any number but 0 is the network",
            {0, "Transmit/Method=2", 1, 1, "", true, false, "Transmit/Method=1 Transmit/Pacing=line"});
        row("text reads as 0", {0, "Transmit/Method=abc", 0, 1, "", false, false, "Transmit/Method=abc"});
        row("cancel saves nothing", {0, "", 0, 1, "", false, false, ""});
        row("95 hides the address button", {1, "", 0, 1, "", true, false, "Transmit/Method=1 Transmit/Pacing=line"});
        row("NT without an address is asked", {2, "", 0, 1, "", true, true, ""});
        row("NT with an address saves both",
            {2, "", 0, 1, "10.0.0.5", true, false, "LocalPC/IPAddr=10.0.0.5 Transmit/Method=1 Transmit/Pacing=line"});
        row("NT on the serial line writes the empty address",
            {2, "", 0, 0, "", true, false, "LocalPC/IPAddr= Transmit/Method=0 Transmit/Pacing=line"});
        row("NT with a saved address enforces and writes nothing",
            {2, "LocalPC/IPAddr=10.0.0.9", 0, 1, "10.0.0.7", true, false,
             "LocalPC/IPAddr=10.0.0.9 Transmit/Method=1 Transmit/Pacing=line"});
    }

    void transmit()
    {
        QFETCH(TransmitCase, c);
        mgtest::MemorySettings settings;
        for (const QString &line : words(c.before))
            settings.values.insert(line.section('=', 0, 0), line.section('=', 1));
        SerialLine line(settings);
        mgtest::ScriptedPrompt prompt;
        frmTransmit w(settings, line, prompt, nullptr, frmTransmit::Platform(c.platform));
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(w.windowTitle(), QStringLiteral("設定の送信"));
        QVERIFY(w.optTransmit[c.selected]->isChecked());
        QCOMPARE(w.cmdTelnetSetting->isVisible(), c.platform != frmTransmit::Windows9x);
        for (int chosen : {c.selected, c.choose}) {
            QTest::mouseClick(w.optTransmit[chosen], Qt::LeftButton);
            QCOMPARE(w.cmdSerialSetting->isEnabled(), chosen == 0);
            QCOMPARE(w.cmdTelnetSetting->isEnabled(), chosen == 1);
        }
        // The chosen way's settings button opens its dialog: the serial one
        // is left with Escape, the address one takes what is typed.
        if (c.choose == 0 || !c.typed.isEmpty()) {
            QString opened;
            QTimer::singleShot(0, &w, [&] {
                QWidget *dialog = QApplication::activeModalWidget();
                opened = dialog ? dialog->windowTitle() : QString();
                if (auto *local = qobject_cast<frmTelnetSetting *>(dialog)) {
                    typeInto(local->txtIP, c.typed);
                    QTest::mouseClick(local->cmdOK, Qt::LeftButton);
                } else if (qobject_cast<frmSerial *>(dialog)) {
                    QTest::keyClick(dialog, Qt::Key_Escape);
                }
            });
            QTest::mouseClick(c.choose == 0 ? w.cmdSerialSetting : w.cmdTelnetSetting, Qt::LeftButton);
            QCOMPARE(opened, c.choose == 0 ? QStringLiteral("シリアルポートの設定") : QStringLiteral("IP アドレス"));
        }
        QTest::mouseClick(c.ok ? w.cmdOK : w.cmdCancel, Qt::LeftButton);
        if (c.asked) {
            expectShown(prompt,
                        QStringLiteral("WindowsNTでこのツールを使用する場合は、\r\n\"設定\"ボタンをクリックしてこのＰＣの\r\n"
                                       "IPアドレスを入力して下さい。"),
                        QStringLiteral("telnetの設定"), MessageIcon::Information);
            QVERIFY(w.isVisible());
        } else {
            QVERIFY(prompt.shown.isEmpty() && !w.isVisible());
            QCOMPARE(w.result(), int(c.ok ? QDialog::Accepted : QDialog::Rejected));
        }
        QCOMPARE(linesOf(settings), words(c.after));
    }

    void pacing_data()
    {
        QTest::addColumn<PacingCase>("c");
        const auto row = [](const char *name, const PacingCase &c) { QTest::newRow(name) << c; };
        row("nothing saved: one line a second", {nullptr, 0, 0, 0, false, nullptr, false});
        row("nothing saved, echo chosen", {nullptr, 0, 0, 1, true, "echo", true});
        row("echo read back, line chosen", {"echo", 0, 1, 0, true, "line", false});
        row("written by hand in capitals", {" ECHO", 0, 1, 1, false, " ECHO", true});
        row("unknown value counts as line", {"fast", 0, 0, 0, false, "fast", false});
        row("empty value counts as line", {"", 0, 0, 0, false, "", false});
        row("unknown value replaced on OK", {"fast", 0, 0, 0, true, "line", false});
        row("cancel keeps echo", {"echo", 0, 1, 0, false, "echo", true});
        row("cancel keeps line", {"line", 0, 0, 1, false, "line", false});
        row("LAN: the choice cannot be changed, saved as it was", {"echo", 1, 1, 0, true, "echo", true});
        row("LAN: line saved as it was", {nullptr, 1, 0, 1, true, "line", false});
    }

    void pacing()
    {
        QFETCH(PacingCase, c);
        mgtest::MemorySettings settings;
        settings.SaveSetting("Transmit", "Method", QString::number(c.method));
        if (c.before)
            settings.SaveSetting("Transmit", "Pacing", c.before);
        SerialLine line(settings);
        mgtest::ScriptedPrompt prompt;
        {
            frmTransmit w(settings, line, prompt);
            w.show();
            QVERIFY(QTest::qWaitForWindowActive(&w));
            QVERIFY(w.optPacing[c.shown]->isChecked() && !w.optPacing[1 - c.shown]->isChecked());
            // Only the serial path types line by line: the choice follows it.
            for (int chosen : {1 - c.method, c.method}) {
                QTest::mouseClick(w.optTransmit[chosen], Qt::LeftButton);
                QCOMPARE(w.optPacing[1]->isEnabled(), chosen == 0);
            }
            QTest::mouseClick(w.optPacing[c.choose], Qt::LeftButton);
            QTest::mouseClick(c.ok ? w.cmdOK : w.cmdCancel, Qt::LeftButton);
            QVERIFY(prompt.shown.isEmpty() && !w.isVisible());
        }
        const QString none = QStringLiteral("(none)");
        QCOMPARE(settings.GetSetting("Transmit", "Pacing", none), c.after ? QString::fromUtf8(c.after) : none);
        QCOMPARE(frmTransmit::serialPacing(settings), c.echo ? TransferPacing::Echo : TransferPacing::Line);
        // Opened again, the dialog shows what the transfer will do.
        frmTransmit again(settings, line, prompt);
        QVERIFY(again.optPacing[c.echo ? 1 : 0]->isChecked() && !again.optPacing[c.echo ? 0 : 1]->isChecked());
    }

    void serialLoad_data()
    {
        QTest::addColumn<SerialLoadCase>("c");
        const auto row = [](const char *name, const SerialLoadCase &c) { QTest::newRow(name) << c; };
        row("line only", {1, "9600,n,8,1", 0, "", "Com1 /dev/mg-com1 9600 8 None 1", 0, 0});
        row("even", {3, "19200,e,7,2", 1, "", "Com3 /dev/mg-com3 19200 7 Even 2", 0, 1});
        row("odd", {4, "110,o,5,1", 3, "", "Com4 /dev/mg-com4 110 5 Odd 1", 0, 3});
        row("mark", {2, "300,m,6,2", 2, "", "Com2 /dev/mg-com2 300 6 Mark 2", 0, 2});
        row("space", {1, "14400,s,8,1", 0, "", "Com1 /dev/mg-com1 14400 8 Space 1", 0, 0});
        row("saved values win", {1, "9600,n,8,1", 0,
                                 "Port=Com2 Speed=4800 DataBits=4 Parity=Mark StopBits=1.5 Echo=True Flow=3",
                                 "Com2 /dev/mg-com2 4800 4 Mark 1.5", 1, 3});
        row("some saved", {3, "19200,e,7,2", 2, "Speed=2400 Echo=False", "Com3 /dev/mg-com3 2400 7 Even 2", 0, 2});
        row("saved values no list holds", {1, "9600,o,8,1", 1, "Speed=38400 Parity=even Port=Com9 Flow=7 Echo=yes",
                                           "Com1 /dev/mg-com1 9600 8 Odd 1", 0, 1});
        row("echo as a number", {1, "9600,n,8,1", 0, "Echo=-1 Flow=0", "Com1 /dev/mg-com1 9600 8 None 1", 1, 0});
    }

    void serialLoad()
    {
        QFETCH(SerialLoadCase, c);
        mgtest::MemorySettings settings;
        for (int n = 1; n <= 4; ++n)
            settings.SaveSetting("SerialDevices", QStringLiteral("Com%1").arg(n), QStringLiteral("/dev/mg-com%1").arg(n));
        for (const QString &pair : words(c.saved))
            settings.SaveSetting("MSComm", pair.section('=', 0, 0), pair.section('=', 1));
        SerialLine serial(settings);
        std::optional<SerialSettings> lineSettings = SerialSettings::parse(c.line);
        QVERIFY(lineSettings);
        lineSettings->flow = SerialSettings::Flow(c.flow);
        QVERIFY(serial.setPortNumber(c.port) && serial.setSettings(*lineSettings));
        const QStringList stored = linesOf(settings);

        mgtest::ScriptedPrompt prompt;
        frmSerial w(settings, serial, prompt);
        QCOMPARE((QStringList{w.cboPort->currentText(), w.labDevice->text(), w.cboSpeed->currentText(),
                              w.cboDataBits->currentText(), w.cboParity->currentText(), w.cboStopBits->currentText()}),
                 words(c.shown));
        QVERIFY(w.optEcho[c.echo]->isChecked() && w.optFlow[c.flowShown]->isChecked());
        w.cboPort->setCurrentIndex(3);
        QCOMPARE(w.labDevice->text(), QStringLiteral("/dev/mg-com4")); // follows the choice

        // Cancel leaves line and store as they were.
        QTest::mouseClick(w.cmdCancel, Qt::LeftButton);
        QCOMPARE(w.result(), int(QDialog::Rejected));
        QCOMPARE(QStringLiteral("%1 %2 %3").arg(serial.portNumber()).arg(serial.settings().format()).arg(int(serial.settings().flow)),
                 QStringLiteral("%1 %2 %3").arg(c.port).arg(c.line).arg(c.flow));
        QCOMPARE(linesOf(settings), stored);
        QVERIFY(prompt.shown.isEmpty());
    }

    // The adapters plugged in, as links in a folder like /dev/serial/by-id:
    // the list, the chosen port's device and whether it is there, and what
    // OK or Cancel keeps of a choice.
    void serialAdapters_data()
    {
        QTest::addColumn<QString>("links"); // NAME>TARGET in the folder; none: no folder at all
        QTest::addColumn<int>("port");      // chosen before the adapter
        QTest::addColumn<int>("down");      // presses of the down key in the adapter list
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("saved"); // ComN=NAME, a link of the folder; empty: devices unchanged
        const QString plugged = QStringLiteral("usb-Prolific_B-port0>ttyFake1 usb-FTDI_A-if00-port0>ttyFake0 usb-gone>nothing");
        QTest::newRow("nothing plugged in") << QString() << 1 << 1 << true << QString();
        QTest::newRow("the second adapter for Com1") << plugged << 1 << 2 << true << "Com1=usb-Prolific_B-port0";
        QTest::newRow("the first adapter for Com3") << plugged << 3 << 1 << true << "Com3=usb-FTDI_A-if00-port0";
        QTest::newRow("chosen, then Cancel") << plugged << 1 << 1 << false << QString();
        QTest::newRow("listed, nothing chosen") << plugged << 1 << 0 << true << QString();
    }

    void serialAdapters()
    {
        QFETCH(QString, links);
        QFETCH(int, port);
        QFETCH(int, down);
        QFETCH(bool, ok);
        QFETCH(QString, saved);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("by-id"));
        QStringList listed;
        for (const QString &link : words(links)) {
            const QString name = link.section('>', 0, 0), target = dir.filePath(link.section('>', 1));
            QVERIFY(QDir().mkpath(folder));
            if (!target.endsWith(QLatin1String("nothing"))) {
                QFile device(target);
                QVERIFY(device.open(QIODevice::WriteOnly));
                listed << QStringLiteral("%1 (%2)").arg(name, QFileInfo(target).canonicalFilePath());
            }
            QVERIFY(QFile::link(target, QDir(folder).filePath(name)));
        }
        listed.sort();
        listed.prepend(listed.isEmpty() ? QStringLiteral("(見つかりません)") : QStringLiteral("(選ぶと、このポートのデバイスになります)"));

        mgtest::MemorySettings settings;
        const QString missing = dir.filePath(QStringLiteral("ttyUSB9"));
        settings.SaveSetting("SerialDevices", "Com1", missing);
        SerialLine serial(settings);
        const QStringList before = linesOf(settings);
        mgtest::ScriptedPrompt prompt;
        frmSerial w(settings, serial, prompt);
        w.setAdapterFolder(folder);
        QStringList items;
        for (int i = 0; i < w.cboAdapter->count(); ++i)
            items << w.cboAdapter->itemText(i);
        QCOMPARE(items, listed);
        QCOMPARE(w.cboAdapter->isEnabled(), listed.size() > 1);
        QCOMPARE(w.labDeviceState->text(), QStringLiteral("Com1 のデバイス %1 はありません。ケーブル (USB シリアル変換器) が"
                                                          "つながっているか確かめるか、下のシリアル変換器を選んでください。")
                                               .arg(missing));

        w.cboPort->setCurrentIndex(port - 1);
        for (int i = 0; i < down; ++i)
            QTest::keyClick(w.cboAdapter, Qt::Key_Down);
        const QString chosen = saved.isEmpty() ? QString() : QDir(folder).filePath(saved.section('=', 1));
        if (!chosen.isEmpty()) {
            // The choice shows at once, as a device that is there; another
            // port keeps its own device meanwhile.
            QCOMPARE(w.labDevice->text(), chosen);
            QCOMPARE(w.labDeviceState->text(), QStringLiteral("Com%1 のデバイス %2 はあります。").arg(port).arg(chosen));
            w.cboPort->setCurrentIndex(port == 1 ? 1 : 0);
            QCOMPARE(w.labDevice->text(), serial.devicePathFor(port == 1 ? 2 : 1));
            w.cboPort->setCurrentIndex(port - 1);
            QCOMPARE(w.labDevice->text(), chosen);
            QCOMPARE(w.cboAdapter->currentData().toString(), chosen);
        }
        QTest::mouseClick(ok ? w.cmdOK : w.cmdCancel, Qt::LeftButton);
        QVERIFY2(prompt.shown.isEmpty(), qPrintable(prompt.lastText()));
        QStringList devices = linesOf(settings).filter(QStringLiteral("SerialDevices/"));
        QStringList expected = before;
        if (!chosen.isEmpty() && ok) {
            const QString key = QStringLiteral("SerialDevices/%1=").arg(saved.section('=', 0, 0));
            expected.removeIf([&](const QString &line) { return line.startsWith(key); });
            expected << key + chosen;
        }
        expected.sort();
        QCOMPARE(devices, expected);
        // The line opens what was saved, not what it read when it was made.
        if (!chosen.isEmpty() && ok)
            QCOMPARE(serial.devicePathFor(port), chosen);
        else
            QCOMPARE(serial.devicePathFor(1), missing);
    }

    void serialOk_data()
    {
        QTest::addColumn<SerialOkCase>("c");
        const auto row = [](const char *name, const SerialOkCase &c) { QTest::newRow(name) << c; };
        row("open line moves to another port", {true, "Com2 19200 8 Mark 2", 1, 1, "", 2, "19200,m,8,2"});
        row("Xon/RTS on the open line", {true, "Com1 9600 8 Space 1", 3, 1, "", 1, "9600,s,8,1"});
        row("same port, new speed", {true, "Com1 4800 8 Odd 1", 0, 0, "", 1, "4800,o,8,1"});
        row("closed line only records", {false, "Com2 2400 8 None 1", 0, 0, "", 2, "2400,n,8,1"});
        row("4 data bits", {true, "Com1 9600 4 None 1", 0, 0, "データ ビット 4", 1, "9600,n,8,1"});
        row("1.5 stop bits", {true, "Com1 9600 8 None 1.5", 0, 0, "ストップ ビット 1.5", 1, "9600,n,8,1"});
        row("missing device keeps the old port", {true, "Com3 9600 8 None 1", 0, 0, "-", 1, "9600,n,8,1"});
        row("switched, then settings refused", {true, "Com2 9600 4 None 1", 0, 0, "データ ビット 4", 2, "9600,n,8,1"});
    }

    void serialOk()
    {
        QFETCH(SerialOkCase, c);
        const QStringList choice = words(c.choice);
        Pty com1, com2;
        QVERIFY(!com1.path.isEmpty() && !com2.path.isEmpty());
        mgtest::MemorySettings settings;
        settings.SaveSetting("SerialDevices", "Com1", com1.path);
        settings.SaveSetting("SerialDevices", "Com2", com2.path);
        settings.SaveSetting("SerialDevices", "Com3", QDir::tempPath() + "/marrowgate-no-such-tty");
        QStringList expected = linesOf(settings);
        SerialLine serial(settings);
        QVERIFY2(!c.openBefore || serial.open(), qPrintable(serial.errorString()));

        mgtest::ScriptedPrompt prompt;
        frmSerial w(settings, serial, prompt);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const QList<QComboBox *> lists{w.cboPort, w.cboSpeed, w.cboDataBits, w.cboParity, w.cboStopBits};
        for (int i = 0; i < lists.size(); ++i) {
            lists[i]->setCurrentIndex(lists[i]->findText(choice[i]));
            QCOMPARE(lists[i]->currentText(), choice[i]);
        }
        QTest::mouseClick(w.optFlow[c.flow], Qt::LeftButton);
        QTest::mouseClick(w.optEcho[c.echo], Qt::LeftButton);
        QTest::mouseClick(w.cmdOK, Qt::LeftButton);

        QCOMPARE(serial.portNumber(), c.portAfter);
        QCOMPARE(serial.isOpen(), c.openBefore);
        QCOMPARE(serial.settings().format(), c.lineAfter);
        if (!c.refusal.isEmpty()) {
            // The line's own description, word for word; nothing is kept.
            const QString text = serial.errorString();
            QVERIFY2(c.refusal == QLatin1String("-") ? !text.isEmpty() : text.contains(c.refusal), qPrintable(text));
            expectShown(prompt, text, QStringLiteral("Quillmark KV700 Marrowgate"), MessageIcon::Warning);
            QVERIFY(w.isVisible());
            QCOMPARE(serial.settings().flow, SerialSettings::Flow::None);
            QCOMPARE(linesOf(settings), expected);
            return;
        }
        QVERIFY2(prompt.shown.isEmpty(), qPrintable(prompt.lastText()));
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(int(serial.settings().flow), c.flow);
        expected << "MSComm/DataBits=" + choice[2] << QStringLiteral("MSComm/Echo=%1").arg(c.echo ? "True" : "False")
                 << QStringLiteral("MSComm/Flow=%1").arg(c.flow) << "MSComm/Parity=" + choice[3]
                 << "MSComm/Port=" + choice[0] << "MSComm/Speed=" + choice[1] << "MSComm/StopBits=" + choice[4];
        expected.sort();
        QCOMPARE(linesOf(settings), expected);
    }

    void addressEntry_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<AddressCase>("c");
        const auto row = [](const char *window, const char *name, const AddressCase &c) {
            QTest::newRow(qPrintable(QStringLiteral("%1: %2").arg(window, name))) << window << c;
        };
        const QString format = QStringLiteral("IP アドレスの形式が不正です。");
        const char *local = "frmTelnetSetting", *router = "frmTelnet";
        row(local, "saved address accepted", {"10.1.2.3", "box", "", "10.1.2.3", 0, "ok", "", "10.1.2.3"});
        row(local, "letters and blanks refused", {"", "box", "⌫192.168.1.a5 ", "192.168.1.5", 2, "ok", "", "192.168.1.5"});
        row(local, "15 characters at most",
            {"", "box", "⌫255.255.255.2555", "255.255.255.255", 1, "ok", "", "255.255.255.255"});
        row(local, "full-width digit refused", {"", "box", "⌫1.2.3.４", "1.2.3.", 1, "escape", format, ""});
        row(local, "three parts", {"1.2.3.4", "box", "⌫1.2.3", "1.2.3", 0, "escape", format, ""});
        row(local, "empty", {"1.2.3.4", "box", "⌫", "", 0, "escape", format, ""});
        row(local, "cancel", {"10.1.2.3", "box", "⌫10.9.9.9", "10.9.9.9", 0, "cancel", "", ""});
        row(router, "first entry as offered", {"", "combo", "", "192.168.42.2", 0, "ok", "", "192.168.42.2"});
        row(router, "combo: letter refused, Enter accepts",
            {"", "combo", "⌫10.0.0.2x⏎", "10.0.0.2", 1, "", "", "10.0.0.2"});
        row(router, "focused: blank refused, Enter accepts",
            {"", "focus", "⌫127.0.0 .2⏎", "127.0.0.2", 1, "", "", "127.0.0.2"});
        row(router, "line edit: hyphen refused", {"", "box", "⌫172.16.0.1-", "172.16.0.1", 1, "ok", "", "172.16.0.1"});
        row(router, "combo: 15 characters at most",
            {"", "combo", "⌫192.168.100.1001", "192.168.100.100", 1, "ok", "", "192.168.100.100"});
        row(router, "the Ethernet address from the list", {"", "combo", "↓↓", "192.168.1.1", 0, "ok", "", "192.168.1.1"});
        row(router, "empty",
            {"", "combo", "⌫", "", 0, "cancel", QStringLiteral("ルータのIPアドレスは省略できません。"), ""});
        row(router, "Enter on a malformed address, then closed", {"", "combo", "⌫1.2.3⏎", "1.2.3", 0, "close", format, ""});
        row(router, "OK on a malformed address, then Escape", {"", "box", "⌫1.2..3.4", "1.2..3.4", 0, "escape", format, ""});
        row(router, "cancel a valid address", {"", "focus", "⌫10.0.0.2", "10.0.0.2", 0, "cancel", "", ""});
        // What OK hands on is the address as decimal, the way the box's
        // check reads it: leading zeros are not octal.
        row(router, "leading zeros read as decimal",
            {"", "box", "⌫192.168.044.002", "192.168.044.002", 0, "ok", "", "192.168.44.2"});
        row(router, "010 is ten", {"", "combo", "⌫127.0.0.010⏎", "127.0.0.010", 0, "", "", "127.0.0.10"});
        row(router, "hexadecimal never reaches the box", {"", "box", "⌫0x7f.0.0.1", "07.0.0.1", 2, "ok", "", "7.0.0.1"});
        for (const char *shorthand : {"127.1", "2130706434", "1.2.3.4.5", "256.0.0.1"}) {
            row(router, qPrintable(QStringLiteral("refused: %1").arg(shorthand)),
                {"", "box", QStringLiteral("⌫") + shorthand, shorthand, 0, "escape", format, ""});
        }
    }

    void addressEntry()
    {
        QFETCH(QString, window);
        QFETCH(AddressCase, c);
        const bool local = window == QLatin1String("frmTelnetSetting");
        mgtest::MemorySettings settings;
        settings.SaveSetting("LocalPC", "IPAddr", c.saved);
        SerialLine serial(settings);
        mgtest::ScriptedPrompt prompt;
        const std::unique_ptr<QDialog> w = makeWindow(window, settings, serial, prompt, QStringLiteral("192.168.1.1"));
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        auto *combo = w->findChild<QComboBox *>(QStringLiteral("cboRouterIP"));
        QLineEdit *box = local ? w->findChild<QLineEdit *>(QStringLiteral("txtIP")) : combo->lineEdit();
        QCOMPARE(w->windowTitle(), local ? QStringLiteral("IP アドレス") : QStringLiteral("KV700 の IP アドレス"));
        QCOMPARE(box->text(), local ? c.saved : QStringLiteral("192.168.42.2"));
        QVERIFY(local || itemsOf(combo) == (QStringList{"192.168.42.2", "192.168.44.2", "192.168.1.1"}));

        QSignalSpy beeps(w->findChild<InputGuard *>(), &InputGuard::refused);
        box->setFocus(Qt::TabFocusReason);
        box->selectAll();
        QWidget *to = c.target == QLatin1String("box") ? box : c.target == QLatin1String("combo") ? combo
                                                                                                   : QApplication::focusWidget();
        QVERIFY(to);
        const QHash<QChar, Qt::Key> special{
            {QChar(0x232B), Qt::Key_Backspace}, {QChar(0x2193), Qt::Key_Down}, {QChar(0x23CE), Qt::Key_Return}};
        for (QChar ch : c.keys) {
            if (special.contains(ch))
                QTest::keyClick(to, special[ch]);
            else if (ch.unicode() < 0x80)
                QTest::keyClick(to, char(ch.unicode()));
            else // as an input method hands it over
                QTest::sendKeyEvent(QTest::Click, to, Qt::Key_unknown, QString(ch), Qt::NoModifier);
        }
        QCOMPARE(beeps.count(), c.refusedKeys);
        QCOMPARE(box->text(), c.kept);
        if (c.finish == QLatin1String("ok") || (!c.message.isEmpty() && !c.keys.endsWith(QChar(0x23CE))))
            QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("cmdOK")), Qt::LeftButton);
        if (!c.message.isEmpty()) {
            expectShown(prompt, c.message, local ? QStringLiteral("IP アドレス") : QStringLiteral("ルータのIPアドレス"));
            QVERIFY(w->isVisible());
            QVERIFY(box->hasFocus() || (combo && combo->hasFocus()));
            QCOMPARE(box->selectedText(), c.kept);
        }
        if (c.finish == QLatin1String("cancel"))
            QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("cmdCancel")), Qt::LeftButton);
        else if (c.finish == QLatin1String("close"))
            w->close();
        else if (c.finish == QLatin1String("escape"))
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(prompt.shown.isEmpty() && !w->isVisible());
        QCOMPARE(w->result(), int(c.result.isEmpty() ? QDialog::Rejected : QDialog::Accepted));
        const std::optional<QString> result = c.result.isEmpty() ? std::nullopt : std::optional(c.result);
        QCOMPARE(local ? static_cast<frmTelnetSetting &>(*w).address() : static_cast<frmTelnet &>(*w).routerAddress(),
                 result);
        QCOMPARE(linesOf(settings), QStringList{"LocalPC/IPAddr=" + c.saved}); // never written here
    }

    void looks_data()
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
    void looks()
    {
        QFETCH(QString, window);
        QFETCH(int, points);
        FontSize font(points);
        mgtest::MemorySettings settings;
        settings.SaveSetting("LocalPC", "IPAddr", "192.168.100.200");
        SerialLine serial(settings);
        mgtest::ScriptedPrompt prompt;
        const std::unique_ptr<QDialog> w = makeWindow(window, settings, serial, prompt, "192.168.100.200");
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        checkNothingClipped(w.get());
        for (const QComboBox *list : w->findChildren<QComboBox *>())
            QVERIFY2(list->width() >= list->minimumSizeHint().width(), qPrintable(list->objectName()));
        const QPoint off = w->frameGeometry().center() - w->screen()->geometry().center();
        QVERIFY(window != QLatin1String("frmSerial") || (qAbs(off.x()) <= 1 && qAbs(off.y()) <= 1));
        const QString dir = qEnvironmentVariable("MG_SCREENSHOT_DIR");
        const QString picture = QStringLiteral("%1/%2%3.png").arg(dir, window, points ? "-large" : "");
        QVERIFY(dir.isEmpty() || (QDir().mkpath(dir) && w->grab().save(picture)));
    }
};

QTEST_MAIN(TestTransmitSettings)
#include "tst_TransmitSettings.moc"
