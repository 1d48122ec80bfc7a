// The time left the progress window shows: measured from the recent pace,
// so that a long wait early on (the router's boot) does not hold the
// estimate up once the lines flow, and said the way an operator reads it.

#include "PaceEstimate.h"

#include <QtTest>

using namespace mg;

class TestPaceEstimate : public QObject {
    Q_OBJECT

private slots:
    void timeLeft_data();
    void timeLeft();
};

void TestPaceEstimate::timeLeft_data()
{
    QTest::addColumn<QString>("reports"); // "MS:DONE ..." in the order they came
    QTest::addColumn<int>("total");
    QTest::addColumn<QString>("shown");

    QTest::newRow("nothing measured yet") << "0:0" << 100 << "残り時間を計っています...";
    QTest::newRow("a line a second, 88 to go") << "0:10 1000:11 2000:12" << 100 << "残り 約 1 分 30 秒";
    QTest::newRow("under a minute: up to five seconds") << "0:0 1000:1" << 13 << "残り 約 15 秒";
    QTest::newRow("one second left") << "0:0 1000:1" << 2 << "残り 約 5 秒";
    QTest::newRow("59 seconds read as a minute") << "0:0 1000:1" << 60 << "残り 約 1 分";
    QTest::newRow("61 seconds") << "0:0 1000:1" << 62 << "残り 約 1 分 10 秒";
    QTest::newRow("half a second a line") << "0:0 500:1 1000:2" << 42 << "残り 約 20 秒";
    QTest::newRow("everything done, the end not yet") << "0:0 1000:10" << 10 << "残り わずか";
    // The reset's boot took a minute; ten lines later only their pace counts.
    QTest::newRow("a boot wait falls out of the window")
        << "0:5 60000:6 61000:7 62000:8 63000:9 64000:10 65000:11 66000:12 67000:13 68000:14 69000:15 70000:16"
        << 100 << "残り 約 1 分 30 秒";
    // A report without a step: the time it waited belongs to the next step.
    QTest::newRow("reports without progress") << "0:0 1000:0 5000:1" << 3 << "残り 約 10 秒";
    // Counted from the start again (another try): the old pace is of no use.
    QTest::newRow("counting starts over") << "0:50 1000:60 2000:1" << 100 << "残り時間を計っています...";
}

void TestPaceEstimate::timeLeft()
{
    QFETCH(QString, reports);
    QFETCH(int, total);
    QFETCH(QString, shown);

    PaceEstimate pace;
    for (const QString &report : reports.split(QLatin1Char(' '))) {
        const QStringList parts = report.split(QLatin1Char(':'));
        pace.progress(std::chrono::milliseconds(parts.at(0).toInt()), parts.at(1).toInt(), total);
    }
    QCOMPARE(timeLeftText(pace.remaining()), shown);
}

QTEST_GUILESS_MAIN(TestPaceEstimate)
#include "tst_PaceEstimate.moc"
