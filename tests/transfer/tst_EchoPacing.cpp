// The serial typing paced by the router's echo: each line goes as soon as the
// router has shown it and a prompt after it, whatever pieces the output
// comes in, the period stays the longest wait, and a password line counts as
// taken without an echo. Whole installations and what they leave behind (no
// password anywhere, though the echo of one comes a byte at a time; the time
// limit) are checked through the program itself, in tst_Send.

#include "FakeRouterLink.h"
#include "ManualTicker.h"
#include "TransferSession.h"

#include <QtTest>

using namespace mg;
using namespace mgtest;

class TestEchoPacing : public QObject {
    Q_OBJECT

private slots:
    void echoPacing_data();
    void echoPacing();
};

void TestEchoPacing::echoPacing_data()
{
    QTest::addColumn<bool>("echoPacing");
    QTest::addColumn<QString>("sendText");
    QTest::addColumn<QStringList>("steps"); // "tick" fires the serial period, other steps are router output
    QTest::addColumn<QString>("typed");     // after each step, one digit a step: the lines typed so far
    QTest::addColumn<int>("withoutEcho");
    QTest::addColumn<bool>("completed");

    // With echo pacing the first line goes at once: the login ended at the
    // command prompt. The rows write "|" between steps.
    const struct { const char *name; bool echo; const char *sendText, *steps, *typed; int withoutEcho; bool completed; }
        rows[] = {
        {"each line as soon as the last is echoed", true, "a\r\nb\r\nc\r\n", "a\r\nKV700> |b\r\nKV700> |c\r\nKV700> ",
         "233", 0, true},
        {"line pacing waits for the period whatever comes", false, "a\r\nb\r\nc\r\n",
         "tick|a\r\nKV700> |tick|b\r\nKV700> ", "1122", 0, false},
        {"no answer: the period types the next line", true, "a\r\nb\r\nc\r\n", "garbled|tick|tick", "123", 2, false},
        {"an answer to an earlier line does not count", true, "a\r\nb\r\nc\r\n", "tick|a\r\nKV700> |b\r\nKV700> ", "223",
         1, false},
        {"echo cut into bytes", true, "enable ip\r\nb\r\n", "en|able| ip|\r|\n|KV700|> ", "1111112", 0, false},
        {"output before the echo does not count", true, "enable ip\r\nb\r\n", "\r\nKV700> |enable ip\r\n|KV700> ", "112",
         0, false},
        {"no prompt after the echo", true, "restart router\r\nb\r\n", "restart router\r\nRestarting ...\r\n", "1", 0, false},
        {"a prompt before the line end is the echo's own text", true, "set name=a> \r\nb\r\n", "set name=a> |\r\nKV700> ",
         "12", 0, false},
        {"a prompt only counts after the echo's line end", true, "a\r\nb\r\n", "a> |\r\nKV700> ", "12", 0, false},
        {"an empty line", true, "\r\nb\r\n", "\r\nKV700> ", "2", 0, false},
        {"a prompt without a line end is an old one", true, "\r\nb\r\n", "KV700> ", "1", 0, false},
        {"a password is not echoed: its line end and the next question are enough", true,
         "set password\r\npastry\r\nn3wpass1\r\n", "set password\r\nOld password: |\r\nNew password: |\r\nConfirm: ",
         "233", 0, true},
    };
    for (const auto &row : rows) {
        QTest::newRow(row.name) << row.echo << QString::fromUtf8(row.sendText)
                                << QString::fromUtf8(row.steps).split(QLatin1Char('|')) << QString::fromUtf8(row.typed)
                                << row.withoutEcho << row.completed;
    }
}

void TestEchoPacing::echoPacing()
{
    QFETCH(bool, echoPacing);
    QFETCH(QString, sendText);
    QFETCH(QStringList, steps);
    QFETCH(QString, typed);
    QFETCH(int, withoutEcho);
    QFETCH(bool, completed);
    QCOMPARE(typed.size(), steps.size());

    TransferRequest request;
    request.method = TransferMethod::Serial;
    request.pacing = echoPacing ? TransferPacing::Echo : TransferPacing::Line;
    FakeRouterLink link;
    ManualTickerFactory tickers;
    TransferSession session(request, TransferInput{sendText, QString(), {"pastry", "n3wpass1"}}, link, tickers,
                            nullptr);
    QSignalSpy ends(&session, &TransferSession::finished);

    session.start();
    QCOMPARE(link.sent.size(), echoPacing ? 1 : 0);
    for (int i = 0; i < steps.size(); ++i) {
        const int startsBefore = tickers.find(TransferSession::SerialTicker)->starts;
        const qsizetype sentBefore = link.sent.size();
        if (steps.at(i) == QLatin1String("tick")) {
            QVERIFY(tickers.fire(TransferSession::SerialTicker));
        } else {
            session.receive(steps.at(i));
            // A line typed on the echo restarts the period from there.
            if (link.sent.size() > sentBefore)
                QCOMPARE(tickers.find(TransferSession::SerialTicker)->starts, startsBefore + 1);
        }
        QCOMPARE(link.sent.size(), typed.at(i).digitValue());
    }
    QCOMPARE(session.linesWithoutEcho(), withoutEcho);
    QCOMPARE(ends.size(), completed ? 1 : 0);
    if (completed)
        QVERIFY(ends.first().first().value<InstallOutcome>().ok);
    QCOMPARE(tickers.isActive(TransferSession::SerialTicker), !completed);
    // Lines go out whole, in order, whatever paced them.
    QCOMPARE(link.sent.join(QString()), sendText.left(link.sent.join(QString()).size()));
    for (const QString &line : std::as_const(link.sent))
        QVERIFY(line.endsWith(QStringLiteral("\r\n")) && line.count(QLatin1Char('\n')) == 1);
}

QTEST_GUILESS_MAIN(TestEchoPacing)
#include "tst_EchoPacing.moc"
