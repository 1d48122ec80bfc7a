// The terminal routine and the line cursor: what the operator sees of the
// router's output, and how texts are cut into the lines typed to it.

#include "LineCursor.h"
#include "SendText.h"
#include "Terminal.h"

#include <QtTest>

using namespace mg;

class TestTerminal : public QObject {
    Q_OBJECT

private slots:
    void showData_data();
    void showData();
    void longTerminalDropsOldestOutputFirst();
    void lineCursor_data();
    void lineCursor();
    void sendTexts_data();
    void sendTexts();
};

void TestTerminal::showData_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("after");

    QTest::newRow("plain output is appended") << "login: " << "manager" << "login: manager";
    QTest::newRow("CR LF gives one break") << "a" << "\r\nb\r\n" << "a\r\nb\r\n";
    QTest::newRow("bare LF is dropped") << "" << "a\nb" << "ab";
    QTest::newRow("bare CR gets its LF") << "" << "a\rb" << "a\r\nb";
    QTest::newRow("LF CR is one break") << "" << "a\n\rb" << "a\r\nb";
    QTest::newRow("two letters, backspace, a third") << "" << "ab\bc" << "ac";
    QTest::newRow("leading backspace takes back the last character") << "KV700>" << "\b> " << "KV700> ";
    QTest::newRow("two leading backspaces take back one character") << "abc" << "\b\bx" << "abx";
    QTest::newRow("backspace on an empty terminal") << "" << "\bok" << "ok";
    QTest::newRow("backspace after a backspace") << "" << "abc\b\bd" << "ad";
    QTest::newRow("backspace pair inside, then one at the start") << "xy" << "a\b\bz" << "xz";
    QTest::newRow("Japanese kept") << "" << "ようこそ\r\n" << "ようこそ\r\n";
    QTest::newRow("nothing arrives") << "KV700> " << "" << "KV700> ";
}

void TestTerminal::showData()
{
    QFETCH(QString, before);
    QFETCH(QString, data);
    QFETCH(QString, after);

    TerminalText terminal{before, 0, 0};
    ShowData(terminal, data);
    QCOMPARE(terminal.text, after);
    // The insertion point always ends after the last character shown.
    QCOMPARE(terminal.selectionStart, after.size());
    QCOMPARE(terminal.selectionLength, 0);
}

void TestTerminal::longTerminalDropsOldestOutputFirst()
{
    const QString head(TerminalTrim, QLatin1Char('o'));
    const QString rest = QString(TerminalLimit - TerminalTrim, QLatin1Char('n')) + QStringLiteral("tail");
    TerminalText terminal{head + rest, 0, 0};
    QCOMPARE(terminal.text.size(), TerminalLimit + 4);

    ShowData(terminal, QStringLiteral("\bX"));
    // The oldest 4096 characters go first, then the backspace takes back the
    // last character of what is left.
    QCOMPARE(terminal.text, rest.chopped(1) + QLatin1Char('X'));

    // At the limit itself nothing is dropped.
    TerminalText full{QString(TerminalLimit, QLatin1Char('z')), 0, 0};
    ShowData(full, QStringLiteral("!"));
    QCOMPARE(full.text.size(), TerminalLimit + 1);
    QCOMPARE(promptTail(full), QStringLiteral("z!"));
}

void TestTerminal::lineCursor_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("lines with CR LF") << "a\r\nb\r\n" << QStringList{"a\r\n", "b\r\n"};
    QTest::newRow("last piece without CR LF is a line") << "a\r\nb" << QStringList{"a\r\n", "b"};
    QTest::newRow("empty lines") << "\r\n\r\n" << QStringList{"\r\n", "\r\n"};
    QTest::newRow("a bare LF does not end a line") << "a\nb\r\n" << QStringList{"a\nb\r\n"};
    QTest::newRow("a bare CR does not end a line") << "a\rb\r\n" << QStringList{"a\rb\r\n"};
    QTest::newRow("empty text") << "" << QStringList{};
}

void TestTerminal::lineCursor()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);

    LineCursor cursor(text);
    QCOMPARE(cursor.lineCount(), lines.size());
    QStringList taken;
    while (const std::optional<QString> line = cursor.next()) {
        taken << *line;
        QCOMPARE(cursor.linesTaken(), taken.size());
    }
    QCOMPARE(taken, lines);
    QVERIFY(cursor.atEnd());
    QVERIFY(!cursor.next());

    // Lines appended after the end are typed next, from where it stopped.
    cursor.append(QStringLiteral("tail\r\n"));
    QCOMPARE(cursor.next(), std::optional<QString>(QStringLiteral("tail\r\n")));
}

void TestTerminal::sendTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    const QString reset = QStringLiteral(
        "\r\ndelete file=config.ins\r\nrename boot.cfg boot_bak.cfg\r\n\r\n\r\nrestart router\r\n\r\n"
        "manager\r\npastry\r\n\r\nset port=0 page=0\r\n");
    QTest::newRow("serial text: reset, factory login, then the script")
        << SendText::serialText(QStringLiteral("enable ip\r\nset ip\r\n")) << reset + "enable ip\r\nset ip\r\n";
    QTest::newRow("tail with a password")
        << SendText::serialTail(QStringLiteral("s3cret!"), QStringLiteral("office.cfg"))
        << "set password\r\npastry\r\ns3cret!\r\ns3cret!\r\n\r\nset port=0 page=22\r\n"
           "create config=office.cfg\r\nset config=office.cfg\r\nrestart router\r\n";
    QTest::newRow("tail keeping the factory password")
        << SendText::serialTail(std::nullopt, QStringLiteral("kelpin.cfg"))
        << "set port=0 page=22\r\ncreate config=kelpin.cfg\r\nset config=kelpin.cfg\r\nrestart router\r\n";
    QTest::newRow("a user other than manager with the factory password sets no password")
        << SendText::serialTail(SendText::passwordAfterLogin(QStringLiteral("pastry")), QStringLiteral("a.cfg"))
        << "set port=0 page=22\r\ncreate config=a.cfg\r\nset config=a.cfg\r\nrestart router\r\n";
    QTest::newRow("console login at a login prompt")
        << SendText::serialLoginLines(false, QStringLiteral("admin"), QStringLiteral("pw pw"))
        << "admin\r\npw pw\r\n\r\n";
    QTest::newRow("console login at a command prompt")
        << SendText::serialLoginLines(true, QStringLiteral("admin"), QStringLiteral("pw"))
        << "login admin\r\npw\r\n\r\n";
    QTest::newRow("Telnet login") << SendText::telnetLoginLines(QStringLiteral("manager"), QStringLiteral("x"))
                                  << "\r\nmanager\r\nx\r\n";
    QTest::newRow("load command") << SendText::loadCommands(QStringLiteral("kelpin.cfg"), QStringLiteral("127.0.0.1"))
                                  << "\r\nload file=kelpin.cfg server=127.0.0.1 destination=flash\r\n";
    QTest::newRow("boot commands restart the router")
        << SendText::bootCommands(QStringLiteral("a.cfg"), QStringLiteral("192.168.44.2"))
        << "set config=a.cfg\r\nrestart router\r\n";
    QTest::newRow("remote-operation mode is not restarted")
        << SendText::bootCommands(QStringLiteral("a.cfg"), QStringLiteral("192.168.42.2")) << "set config=a.cfg\r\n";
    QTest::newRow("a name with %1 stays as it is")
        << SendText::loadCommands(QStringLiteral("%1.cfg"), QStringLiteral("10.0.0.1"))
        << "\r\nload file=%1.cfg server=10.0.0.1 destination=flash\r\n";
    QTest::newRow("no saved name") << SendText::configName(QString()) << "kelpin.cfg";
}

void TestTerminal::sendTexts()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(text, expected);
}

QTEST_GUILESS_MAIN(TestTerminal)
#include "tst_Terminal.moc"
