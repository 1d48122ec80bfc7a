#include "SerialEvents.h"
#include "SerialLine.h"
#include "TestFakes.h"

#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QtTest>

#include <cstring>
#include <grp.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace mg;

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
        if (::openpty(&master, &slave, name, &raw, nullptr) == 0)
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
        for (QDeadlineTimer deadline(Wait); got.size() < count && !deadline.hasExpired();) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            pollfd p{master, POLLIN, 0};
            char buf[256];
            const ssize_t n = ::poll(&p, 1, 20) > 0 ? ::read(master, buf, sizeof buf) : 0;
            got.append(buf, qMax<ssize_t>(n, 0));
        }
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

} // namespace

class TestSerialLine : public QObject {
    Q_OBJECT
    mgtest::MemorySettings m_settings;

    void useDevice(int port, const QString &path)
    {
        m_settings.SaveSetting(QString::fromLatin1(SerialLine::DeviceSection), SerialLine::comName(port), path);
    }

private slots:
    void init() { m_settings.values.clear(); }

    void eventTexts()
    {
        for (int code = 1; code <= 7; ++code)
            QVERIFY(SerialEventText(code).isEmpty());
        QCOMPARE(SerialEventText(1006), u"ｵｰﾊﾞｰﾗﾝ ｴﾗｰが発生しました。"_qs);
        for (const int code : {0, 1005, 1012, SerialEvent::DeviceFailure})
            QCOMPARE(SerialEventText(code), u"未定義のｴﾗｰまたはｲﾍﾞﾝﾄが発生しました。"_qs);
    }

    // Accepted strings read back lower-case; refused ones keep the old
    // settings and say why, on a closed line and on an open one alike.
    void settingsString_data()
    {
        QTest::addColumn<bool>("open");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("readBack"); // empty: refused
        for (const bool open : {false, true}) {
            auto row = [&](const char *name, const char *input, const char *readBack) {
                QTest::addRow("%s, %s", open ? "open" : "closed", name) << open << input << readBack;
            };
            row("even, 7, 2", "19200,E,7,2", "19200,e,7,2");
            row("odd, 5", "110,O,5,1", "110,o,5,1");
            row("mark", "14400,M,8,1", "14400,m,8,1");
            row("space, 6", "4800,s,6,2", "4800,s,6,2");
            row("speed off the list, blanks", " 57600 , N , 8 , 1 ", "57600,n,8,1");
            row("1.5 stop bits", "9600,n,8,1.5", "");
            row("4 data bits", "9600,n,4,1", "");
            row("unknown parity", "9600,x,8,1", "");
            row("9 data bits", "9600,n,9,1", "");
            row("speed 0", "0,n,8,1", "");
            row("three fields", "9600,n,8", "");
        }
    }

    void settingsString()
    {
        QFETCH(bool, open);
        QFETCH(QString, input);
        QFETCH(QString, readBack);
        Pty pty;
        useDevice(1, pty.path);
        SerialLine line(m_settings);
        QCOMPARE(line.settingsString(), QStringLiteral("9600,n,8,1"));
        QVERIFY(line.setSettingsString(QStringLiteral("1200,e,7,2")));
        QVERIFY(!open || line.open());
        const bool accepted = line.setSettingsString(input);
        QVERIFY2(accepted == !readBack.isEmpty(), qPrintable(line.errorString()));
        QVERIFY(accepted || !line.errorString().isEmpty());
        const QString inForce = accepted ? readBack : QStringLiteral("1200,e,7,2");
        QCOMPARE(line.settingsString(), inForce);
        QVERIFY2(line.open(), qPrintable(line.errorString())); // applied at open, or already
        QCOMPARE(line.settingsString(), inForce);
    }

    // The kernel's record of the line: settings made while closed take effect
    // at open, settings made while open at once.
    void settingsReachTheDevice()
    {
        Pty pty;
        useDevice(1, pty.path);
        SerialLine line(m_settings);
        QVERIFY(line.setSettingsString(QStringLiteral("19200,n,8,2")));
        QVERIFY2(line.open(), qPrintable(line.errorString()));
        termios t = pty.line();
        QCOMPARE(cfgetospeed(&t), speed_t(B19200));
        QVERIFY(t.c_cflag & CSTOPB);
        QVERIFY(line.setSettingsString(QStringLiteral("4800,n,8,1")));
        t = pty.line();
        QCOMPARE(cfgetospeed(&t), speed_t(B4800));
        QVERIFY(!(t.c_cflag & CSTOPB));
    }

    void handshaking_data()
    {
        QTest::addColumn<int>("flow");
        QTest::addColumn<bool>("beforeOpen");
        QTest::addColumn<bool>("rtsCts");
        QTest::addColumn<bool>("xonXoff");
        for (const bool before : {true, false}) {
            const char *when = before ? "set closed" : "set open";
            QTest::addRow("%s, none", when) << 0 << before << false << false;
            QTest::addRow("%s, Xon/Xoff", when) << 1 << before << false << true;
            QTest::addRow("%s, RTS", when) << 2 << before << true << false;
            QTest::addRow("%s, Xon/RTS", when) << 3 << before << true << true;
        }
    }

    void handshaking()
    {
        QFETCH(int, flow);
        QFETCH(bool, beforeOpen);
        QFETCH(bool, rtsCts);
        QFETCH(bool, xonXoff);
        Pty pty;
        useDevice(1, pty.path);
        SerialLine line(m_settings);
        QVERIFY(line.setHandshaking(3 - flow)); // the opposite first, so a setting left undone shows
        QVERIFY(!beforeOpen || line.setHandshaking(flow));
        QVERIFY2(line.open(), qPrintable(line.errorString()));
        QVERIFY2(beforeOpen || line.setHandshaking(flow), qPrintable(line.errorString()));
        const termios t = pty.line();
        QCOMPARE((t.c_cflag & CRTSCTS) != 0, rtsCts);
        QCOMPARE((t.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF), xonXoff);
        QVERIFY(!line.setHandshaking(4));
        QCOMPARE(line.handshaking(), flow);
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
        useDevice(1, pty.path);
        SerialLine line(m_settings);
        QVERIFY(!line.write(text)); // closed
        QVERIFY(!line.errorString().isEmpty());
        QVERIFY2(line.open(), qPrintable(line.errorString()));
        QCOMPARE(line.write(text), !bytes.isEmpty());
        QVERIFY(line.write(QStringLiteral("|"))); // nothing half-sent before it
        QCOMPARE(pty.heard(bytes.size() + 1), bytes + '|');
    }

    // Each arrival is read before the next is sent, so a character cut
    // between them is cut between two reads of the port.
    void receivesShiftJis()
    {
        Pty pty;
        useDevice(1, pty.path);
        SerialLine line(m_settings);
        QVERIFY2(line.open(), qPrintable(line.errorString()));
        QSignalSpy received(&line, &SerialLine::received);
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
        for (const int refused : {0, 5})
            QVERIFY(!line.setPortNumber(refused) && !line.errorString().isEmpty());
        QCOMPARE(line.portNumber(), 2);
        QVERIFY(line.isOpen() && line.write(QStringLiteral("still")));
        QCOMPARE(second.heard(5), QByteArray("still"));
    }

    // Why an open failed, and whether joining the device's group would help.
    // Root opens any file, so the permission case runs in a child process
    // that has given up root.
    void openFailure_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("denied");
        QTest::addColumn<QString>("error"); // empty: any description
        QTest::newRow("missing device") << "missing" << false << systemText(ENOENT);
        QTest::newRow("no permission") << "permission" << true << systemText(EACCES);
        QTest::newRow("in use by another line") << "busy" << false << QString();
    }

    void openFailure()
    {
        QFETCH(QString, kind);
        QFETCH(bool, denied);
        QFETCH(QString, error);
        Pty pty;
        useDevice(1, kind == QLatin1String("missing") ? QStringLiteral("/nonexistent/ttyQ") : pty.path);
        SerialLine other(m_settings);
        QVERIFY(kind != QLatin1String("busy") || other.open());
        QString group;
        const bool root = ::geteuid() == 0;
        if (kind == QLatin1String("permission")) {
            const QByteArray file = QFile::encodeName(pty.path);
            const struct group *dialout = ::getgrnam("dialout");
            QVERIFY(!root || (dialout && ::chown(file.constData(), 0, dialout->gr_gid) == 0));
            QCOMPARE(::chmod(file.constData(), root ? 0660 : 0), 0);
            group = QLatin1String(root ? "dialout" : "tty");
        }
        auto matches = [&] {
            SerialLine line(m_settings);
            return !line.open() && line.permissionDenied() == denied && !line.errorString().isEmpty()
                   && (error.isEmpty() || line.errorString() == error) && (!denied || line.deviceGroup() == group)
                   && !line.write(QStringLiteral("x"));
        };
        if (!(root && denied)) {
            QVERIFY(matches());
            return;
        }
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            constexpr uid_t Nobody = 65534;
            const bool dropped = ::setgroups(0, nullptr) == 0 && ::setgid(Nobody) == 0 && ::setuid(Nobody) == 0;
            ::_exit(!dropped ? 2 : matches() ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0); // 1: wrong verdict, 2: could not drop root
    }

    // The far end goes away mid-session (cable pulled, adapter unplugged):
    // the window hears of it once, the line is closed, a write fails.
    void deviceGoneMidSession()
    {
        Pty pty;
        useDevice(1, pty.path);
        SerialLine line(m_settings);
        QVERIFY2(line.open(), qPrintable(line.errorString()));
        QSignalSpy errors(&line, &SerialLine::lineError);
        ::close(pty.master);
        pty.master = -1;
        QVERIFY(errors.wait(Wait));
        QCOMPARE(errors.at(0).at(0).toInt(), SerialEvent::DeviceFailure);
        QVERIFY(!line.isOpen());
        QVERIFY(!line.write(QStringLiteral("show\r\n")));
        QTest::qWait(100);
        QCOMPARE(errors.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSerialLine)
#include "tst_SerialLine.moc"
