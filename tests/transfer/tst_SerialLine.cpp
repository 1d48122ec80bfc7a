#include "SerialEvents.h"
#include "SerialLine.h"
#include "SerialOpenAdvice.h"
#include "SerialSettings.h"
#include "TestFakes.h"

#include <QSignalSpy>
#include <QtTest>

#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace mg;

Q_DECLARE_METATYPE(SerialSettings)

namespace {

constexpr int Wait = 10000; // generous: only a failure ever waits this long

// The router's console: the line opens the slave of a pseudo-terminal, the
// test plays the router on the master and reads the line settings through a
// slave descriptor of its own.
struct Pty {
    Pty()
    {
        termios raw{}; // a serial device does not echo once the line lets go
        ::cfmakeraw(&raw);
        char name[256];
        if (::openpty(&master, &slave, name, &raw, nullptr) == 0 && ::fcntl(master, F_SETFL, O_NONBLOCK) == 0)
            path = QString::fromLocal8Bit(name);
    }
    ~Pty()
    {
        ::close(master);
        ::close(slave);
    }
    bool say(const QByteArray &b) const { return ::write(master, b.constData(), b.size()) == b.size(); }
    // What the line sent, once count bytes are there; the event loop runs
    // meanwhile so that the port can write.
    QByteArray heard(qsizetype count) const
    {
        QByteArray got;
        char buf[256];
        (void)QTest::qWaitFor([&] { // a short answer shows in the caller's comparison
            got.append(buf, qMax<ssize_t>(::read(master, buf, sizeof buf), 0));
            return got.size() >= count;
        }, Wait);
        return got;
    }
    termios line() const
    {
        termios t{};
        ::tcgetattr(slave, &t);
        return t;
    }
    int master = -1, slave = -1;
    QString path;
};

QString systemText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// A settings text (SerialSettings' own test reads them all) with a flow control.
SerialSettings settingsOf(const char *text, int flow = 0)
{
    SerialSettings settings = SerialSettings::parse(QLatin1String(text)).value_or(SerialSettings{});
    settings.flow = SerialSettings::Flow(flow);
    return settings;
}

} // namespace

class TestSerialLine : public QObject {
    Q_OBJECT
    mgtest::MemorySettings m_settings;

    void useDevice(int port, const QString &path)
    {
        m_settings.SaveSetting(QString::fromLatin1(SerialDevices::Section), SerialDevices::comName(port), path);
    }
    // A line whose port 1 is that device.
    std::unique_ptr<SerialLine> lineOn(const QString &path)
    {
        useDevice(1, path);
        return std::make_unique<SerialLine>(m_settings);
    }

private slots:
    void init() { m_settings.values.clear(); }

    // Settings the line takes hold before and after it opens; refused ones
    // keep the old settings and say why: what this system's ports cannot
    // do, and a value that is no setting at all. (An open line takes them
    // at once: reachesTheDevice.)
    void settings_data()
    {
        QTest::addColumn<SerialSettings>("wanted");
        QTest::addColumn<QString>("refusal"); // empty: taken
        QTest::newRow("even, 7, 2") << settingsOf("19200,e,7,2") << QString();
        QTest::newRow("odd, 5") << settingsOf("110,o,5,1") << QString();
        QTest::newRow("mark") << settingsOf("14400,m,8,1") << QString();
        QTest::newRow("space, 6") << settingsOf("4800,s,6,2") << QString();
        QTest::newRow("speed off the list") << settingsOf("57600,n,8,1") << QString();
        QTest::newRow("1.5 stop bits") << settingsOf("9600,n,8,1.5")
                                       << u"ストップ ビット 1.5 は、このシステムのシリアル ポートでは使用できません。"_qs;
        QTest::newRow("4 data bits") << settingsOf("9600,n,4,1")
                                     << u"データ ビット 4 は、このシステムのシリアル ポートでは使用できません。"_qs;
        SerialSettings noSpeed = settingsOf("9600,n,8,1");
        noSpeed.speed = 0;
        QTest::newRow("speed 0") << noSpeed << u"通信速度 0 は使用できません。"_qs;
        SerialSettings nineBits = settingsOf("9600,n,8,1");
        nineBits.dataBits = 9;
        QTest::newRow("9 data bits") << nineBits << u"通信設定「9600,n,9,1」が正しくありません。"_qs;
    }

    void settings()
    {
        QFETCH(SerialSettings, wanted);
        QFETCH(QString, refusal);
        Pty pty;
        const auto line = lineOn(pty.path);
        const SerialSettings before = settingsOf("1200,e,7,2", 1);
        QVERIFY(line->setSettings(before));
        const bool accepted = line->setSettings(wanted);
        QCOMPARE(accepted, refusal.isEmpty());
        QVERIFY2(accepted || line->errorString().startsWith(refusal), qPrintable(line->errorString()));
        const SerialSettings inForce = accepted ? wanted : before;
        QCOMPARE(line->settings().format(), inForce.format());
        QVERIFY(line->settings() == inForce);
        QVERIFY2(line->open(), qPrintable(line->errorString()));
        QVERIFY(line->settings() == inForce);
    }

    // The kernel's record of the line: what is set while closed takes
    // effect at open, what is set while open at once.
    void reachesTheDevice_data()
    {
        QTest::addColumn<bool>("beforeOpen");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("flow");
        QTest::addColumn<int>("speed");
        QTest::addColumn<bool>("twoStops");
        QTest::addColumn<bool>("rtsCts");
        QTest::addColumn<bool>("xonXoff");
        for (const bool before : {true, false}) {
            const char *when = before ? "set closed" : "set open";
            QTest::addRow("%s, no handshaking", when) << before << "19200,n,8,2" << 0 << int(B19200) << true << false << false;
            QTest::addRow("%s, Xon/Xoff", when) << before << "4800,n,8,1" << 1 << int(B4800) << false << false << true;
            QTest::addRow("%s, RTS", when) << before << "2400,n,8,2" << 2 << int(B2400) << true << true << false;
            QTest::addRow("%s, Xon/RTS", when) << before << "1200,n,8,1" << 3 << int(B1200) << false << true << true;
        }
    }

    void reachesTheDevice()
    {
        QFETCH(bool, beforeOpen);
        QFETCH(QString, settings);
        QFETCH(int, flow);
        QFETCH(int, speed);
        QFETCH(bool, twoStops);
        QFETCH(bool, rtsCts);
        QFETCH(bool, xonXoff);
        Pty pty;
        const auto line = lineOn(pty.path);
        const SerialSettings wanted = settingsOf(qPrintable(settings), flow);
        // The opposite first, so a setting left undone shows.
        QVERIFY(line->setSettings(settingsOf(twoStops ? "9600,n,8,1" : "9600,n,8,2", 3 - flow)));
        QVERIFY(!beforeOpen || line->setSettings(wanted));
        QVERIFY2(line->open(), qPrintable(line->errorString()));
        QVERIFY2(beforeOpen || line->setSettings(wanted), qPrintable(line->errorString()));
        const termios t = pty.line();
        QCOMPARE(int(cfgetospeed(&t)), speed);
        QCOMPARE((t.c_cflag & CSTOPB) != 0, twoStops);
        QCOMPARE((t.c_cflag & CRTSCTS) != 0, rtsCts);
        QCOMPARE((t.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF), xonXoff);
        // Refused on the open line: neither the framing nor the flow control moves.
        SerialSettings refused = wanted;
        refused.flow = SerialSettings::Flow(3 - flow);
        refused.stopBits = SerialSettings::StopBits::OneAndHalf;
        QVERIFY(!line->setSettings(refused));
        QVERIFY(line->settings() == wanted);
        const termios after = pty.line();
        QCOMPARE((after.c_cflag & CRTSCTS) != 0, rtsCts);
        QCOMPARE((after.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF), xonXoff);
    }

    void sendsShiftJis_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes"); // empty: refused
        QTest::newRow("kanji") << u"設定\r\n"_qs << QByteArray("\x90\xdd\x92\xe8\r\n");
        QTest::newRow("half-width katakana") << u"ｴﾗｰ"_qs << QByteArray("\xb4\xd7\xb0");
        QTest::newRow("control codes as Windows writes them") << u"\x1a\x1c\x7f"_qs << QByteArray("\x1a\x1c\x7f");
        QTest::newRow("not in the code page") << u"café"_qs << QByteArray();
    }

    void sendsShiftJis()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        Pty pty;
        const auto line = lineOn(pty.path);
        QVERIFY(!line->write(text) && !line->errorString().isEmpty()); // closed
        QVERIFY2(line->open(), qPrintable(line->errorString()));
        QCOMPARE(line->write(text), !bytes.isEmpty());
        QVERIFY(line->write(QStringLiteral("|"))); // nothing half-sent before it
        QCOMPARE(pty.heard(bytes.size() + 1), bytes + '|');
    }

    // Each arrival is read before the next is sent, so a character cut
    // between them is cut between two reads of the port.
    void receivesShiftJis()
    {
        Pty pty;
        const auto line = lineOn(pty.path);
        QVERIFY2(line->open(), qPrintable(line->errorString()));
        QSignalSpy received(line.get(), &SerialLine::received);
        QStringList shown;
        for (const char *arrival : {"A\x90", "\xdd\x92", "\xe8\x80\r\n"}) {
            QVERIFY(pty.say(arrival));
            QVERIFY(received.wait(Wait));
            shown << received.takeFirst().at(0).toString();
        }
        QCOMPARE(shown, (QStringList{"A", u"設"_qs, u"定\uFFFD\r\n"_qs}));
    }

    // Switching ports on an open line moves it to the other device; a port
    // that cannot be opened leaves the line where it was.
    void portNumberWhileOpen()
    {
        Pty first, second;
        useDevice(1, first.path);
        useDevice(2, second.path);
        useDevice(3, QStringLiteral("/nonexistent/ttyQ"));
        SerialLine line(m_settings);
        QVERIFY2(line.open(), qPrintable(line.errorString()));
        QVERIFY2(line.setPortNumber(2), qPrintable(line.errorString()));
        QVERIFY(line.isOpen() && line.write(QStringLiteral("two")));
        QCOMPARE(second.heard(3), QByteArray("two"));
        QSignalSpy received(&line, &SerialLine::received);
        QVERIFY(first.say("stale") && second.say("fresh"));
        QVERIFY(received.wait(Wait));
        QCOMPARE(received.at(0).at(0).toString(), QStringLiteral("fresh"));

        QVERIFY(!line.setPortNumber(3));
        QCOMPARE(line.errorString(), systemText(ENOENT)); // the new port's failure, not the reopening's
        QCOMPARE(line.openFault(), SerialOpenFault::Missing);
        QCOMPARE(line.failedDevice(), QStringLiteral("/nonexistent/ttyQ"));
        QVERIFY2(line.openRemedy().contains(QStringLiteral("ケーブル (USB シリアル変換器)")), qPrintable(line.openRemedy()));
        for (const int refused : {0, 5})
            QVERIFY(!line.setPortNumber(refused) && !line.errorString().isEmpty());
        QCOMPARE(line.portNumber(), 2);
        QVERIFY(line.isOpen() && line.write(QStringLiteral("still")));
        QCOMPARE(second.heard(5), QByteArray("still"));
    }

    // A device another line holds is refused with a reason, not shared. (A
    // missing device is portNumberWhileOpen's, one the user may not open
    // tst_Check's, through the same line.)
    void deviceInUse()
    {
        Pty pty;
        const auto holder = lineOn(pty.path);
        QVERIFY2(holder->open(), qPrintable(holder->errorString()));
        SerialLine line(m_settings);
        QVERIFY(!line.open());
        QVERIFY(!line.permissionDenied() && !line.errorString().isEmpty());
        // Busy is no reason to join a group: the advice is to free the device.
        QCOMPARE(line.openFault(), SerialOpenFault::Busy);
        QVERIFY2(line.openRemedy().startsWith(QStringLiteral("ほかのプログラム")), qPrintable(line.openRemedy()));
        QVERIFY(!line.write(QStringLiteral("x")));
        QVERIFY(holder->write(QStringLiteral("still mine")));
        QCOMPARE(pty.heard(10), QByteArray("still mine"));
    }

    // The device of a port is read when the line opens: a setting changed
    // while the program runs (the dialog, or the file by hand) holds at the
    // next open, without a restart.
    void deviceSettingReadAtOpen()
    {
        Pty pty;
        const auto line = lineOn(QStringLiteral("/nonexistent/ttyUSB7"));
        QVERIFY(!line->open());
        QCOMPARE(line->openFault(), SerialOpenFault::Missing);
        useDevice(1, pty.path);
        QVERIFY2(line->open(), qPrintable(line->errorString()));
        QCOMPARE(line->openFault(), SerialOpenFault::None);
        QVERIFY(line->write(QStringLiteral("now")));
        QCOMPARE(pty.heard(3), QByteArray("now"));
    }

    // The advice for a refused device, for any owner, group and mode. A
    // group is named only when joining it lets the user open the device.
    void openAdvice_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("owner");
        QTest::addColumn<QString>("group");
        QTest::addColumn<bool>("groupIsRoot");
        QTest::addColumn<bool>("groupReadWrite");
        QTest::addColumn<QString>("wanted");    // a part of the advice
        QTest::addColumn<QString>("forbidden"); // never in it

        const int denied = int(SerialOpenFault::Permission);
        const QString join = QStringLiteral("sudo usermod -aG");
        const QString reserved = QStringLiteral("デバイス /dev/ttyUSB0 を開けるのは root だけで、グループに加わっても開けません。\n"
                                                "このコンピュータの管理者に");
        QTest::newRow("dialout, 0660") << denied << "root" << "dialout" << false << true
                                       << "グループ \"dialout\" に加えてください: sudo usermod -aG dialout $USER" << "管理者";
        QTest::newRow("uucp, 0660") << denied << "uucp" << "uucp" << false << true << "sudo usermod -aG uucp $USER"
                                    << "管理者";
        QTest::newRow("root's group, 0660") << denied << "root" << "root" << true << true << reserved << join;
        QTest::newRow("a group named root, not group 0") << denied << "root" << "root" << false << true << reserved
                                                         << join;
        QTest::newRow("root:root, 0600") << denied << "root" << "root" << true << false << reserved << join;
        QTest::newRow("dialout, 0600") << denied << "root" << "dialout" << false << false << reserved << join;
        QTest::newRow("dialout, read only for the group (0640)") << denied << "root" << "dialout" << false << false
                                                                 << reserved << join;
        QTest::newRow("a user's own device, 0600") << denied << "kiosk" << "kiosk" << false << false
                                                   << "を開けるのは 所有者 (kiosk) と root だけで" << join;
        QTest::newRow("missing") << int(SerialOpenFault::Missing) << "" << "" << false << false
                                 << "ケーブル (USB シリアル変換器) がつながっているか確かめ" << join;
        QTest::newRow("busy, even in a group") << int(SerialOpenFault::Busy) << "root" << "dialout" << false << true
                                               << "ほかのプログラム (端末ソフトなど)" << join;
        QTest::newRow("settings the device refuses") << int(SerialOpenFault::Other) << "root" << "dialout" << false
                                                     << true << "通信の設定" << join;
    }

    void openAdvice()
    {
        QFETCH(int, fault);
        QFETCH(QString, owner);
        QFETCH(QString, group);
        QFETCH(bool, groupIsRoot);
        QFETCH(bool, groupReadWrite);
        QFETCH(QString, wanted);
        QFETCH(QString, forbidden);
        DeviceAccess device;
        device.path = QStringLiteral("/dev/ttyUSB0");
        device.exists = fault != int(SerialOpenFault::Missing);
        device.owner = owner;
        device.group = group;
        device.groupIsRoot = groupIsRoot;
        device.groupReadWrite = groupReadWrite;
        const QString advice = serialOpenRemedy(SerialOpenFault(fault), device);
        QVERIFY2(advice.contains(wanted), qPrintable(advice));
        QVERIFY2(!advice.contains(forbidden), qPrintable(advice));
    }

    // The same advice for a real file: its owner, group and mode as the
    // system reports them (root's own files when run as root, the case
    // where "join group root" used to be the advice).
    void openAdviceForAFile_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("0600") << 0600;
        QTest::newRow("0640") << 0640;
        QTest::newRow("0660") << 0660;
    }

    void openAdviceForAFile()
    {
        QFETCH(int, mode);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("ttyFake0"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(mode)), 0);
        const DeviceAccess device = DeviceAccess::of(path);
        QVERIFY(device.exists);
        QCOMPARE(device.group, QFileInfo(path).group());
        QCOMPARE(device.owner, QFileInfo(path).owner());
        const QString advice = serialOpenRemedy(SerialOpenFault::Permission, device);
        const bool joinable = mode == 0660 && getegid() != 0;
        QVERIFY2(advice.contains(QStringLiteral("sudo usermod -aG %1 $USER").arg(device.group)) == joinable, qPrintable(advice));
        QVERIFY2(!advice.contains(QStringLiteral("-aG root")), qPrintable(advice));
        QVERIFY2(advice.contains(QStringLiteral("管理者")) != joinable, qPrintable(advice));
        QVERIFY(advice.contains(path) != joinable);
    }

    // The far end goes away mid-session (cable pulled, adapter unplugged):
    // the window hears of it once, the line is closed, a write fails.
    void deviceGoneMidSession()
    {
        Pty pty;
        const auto line = lineOn(pty.path);
        QVERIFY2(line->open(), qPrintable(line->errorString()));
        QSignalSpy errors(line.get(), &SerialLine::lineError);
        ::close(pty.master);
        pty.master = -1;
        QVERIFY(errors.wait(Wait));
        QCOMPARE(errors.at(0).at(0).toInt(), SerialEvent::DeviceFailure);
        QVERIFY(!line->isOpen());
        QVERIFY(!line->write(QStringLiteral("show\r\n")));
        QTest::qWait(100);
        QCOMPARE(errors.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSerialLine)
#include "tst_SerialLine.moc"
