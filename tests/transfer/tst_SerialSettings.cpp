// The serial line's settings as one value: read from the settings text the
// windows keep, written back to it, and described to the operator.

#include "SerialSettings.h"

#include <QtTest>

using namespace mg;

Q_DECLARE_METATYPE(SerialSettings)

namespace {

using Parity = SerialSettings::Parity;
using StopBits = SerialSettings::StopBits;
using Flow = SerialSettings::Flow;

SerialSettings settings(qint32 speed, Parity parity, int dataBits, StopBits stopBits, Flow flow = Flow::None)
{
    SerialSettings s;
    s.speed = speed;
    s.parity = parity;
    s.dataBits = dataBits;
    s.stopBits = stopBits;
    s.flow = flow;
    return s;
}

QString malformed(const char *text)
{
    return QStringLiteral("通信設定「%1」が正しくありません。「9600,n,8,1」の形で、速度、パリティ (e, o, n, m, s)、"
                          "データ ビット (4 から 8)、ストップ ビット (1, 1.5, 2) を指定してください。")
        .arg(QString::fromUtf8(text));
}

} // namespace

class TestSerialSettings : public QObject {
    Q_OBJECT
private slots:
    // What a stored text gives: blanks and an upper-case parity letter are
    // forgiven, anything else is refused with the reason the operator sees
    // (the line then keeps its old settings). Framing this system's ports
    // cannot do (4 data bits, 1.5 stop bits) is still a setting: the line
    // refuses it, not the text.
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("formatted"); // empty: refused
        QTest::addColumn<QString>("error");     // for a refusal, the whole reason
        const auto accepted = [](const char *text, const char *formatted) {
            QTest::newRow(text) << QString::fromUtf8(text) << QString::fromLatin1(formatted) << QString();
        };
        const auto refused = [](const char *name, const char *text, const QString &error) {
            QTest::newRow(name) << QString::fromUtf8(text) << QString() << error;
        };
        accepted("9600,n,8,1", "9600,n,8,1");
        accepted("19200,E,7,2", "19200,e,7,2");
        accepted("110,O,5,1", "110,o,5,1");
        accepted("14400,M,8,1", "14400,m,8,1");
        accepted("4800,s,6,2", "4800,s,6,2");
        accepted(" 57600 , N , 8 , 1 ", "57600,n,8,1");
        accepted("\t9600,n,8,1\n", "9600,n,8,1");
        accepted("009600,n,8,1", "9600,n,8,1");
        accepted("999999999,n,8,1", "999999999,n,8,1");
        accepted("9600,n,4,1", "9600,n,4,1");
        accepted("9600,n,8,1.5", "9600,n,8,1.5");
        refused("unknown parity", "9600,x,8,1", malformed("9600,x,8,1"));
        refused("parity as a word", "9600,none,8,1", malformed("9600,none,8,1"));
        refused("9 data bits", "9600,n,9,1", malformed("9600,n,9,1"));
        refused("3 data bits", "9600,n,3,1", malformed("9600,n,3,1"));
        refused("3 stop bits", "9600,n,8,3", malformed("9600,n,8,3"));
        refused("1,5 stop bits", "9600,n,8,1,5", malformed("9600,n,8,1,5"));
        refused("three fields", "9600,n,8", malformed("9600,n,8"));
        refused("five fields", "9600,n,8,1,0", malformed("9600,n,8,1,0"));
        refused("semicolons", "9600;n;8;1", malformed("9600;n;8;1"));
        refused("empty", "", malformed(""));
        refused("no speed", ",n,8,1", malformed(",n,8,1"));
        refused("ten digits", "1234567890,n,8,1", malformed("1234567890,n,8,1"));
        refused("negative speed", "-9600,n,8,1", malformed("-9600,n,8,1"));
        refused("speed with a sign", "+9600,n,8,1", malformed("+9600,n,8,1"));
        refused("full-width digits", "９６００,n,8,1", malformed("９６００,n,8,1"));
        refused("speed 0", "0,n,8,1", QStringLiteral("通信速度 0 は使用できません。"));
        refused("speed 000", "000,n,8,1", QStringLiteral("通信速度 0 は使用できません。"));
    }

    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QString, formatted);
        QFETCH(QString, error);
        QString reason = QStringLiteral("untouched");
        const std::optional<SerialSettings> read = SerialSettings::parse(text, &reason);
        QCOMPARE(read.has_value(), !formatted.isEmpty());
        if (!read) {
            QCOMPARE(reason, error);
            return;
        }
        QCOMPARE(read->format(), formatted);
        QCOMPARE(read->flow, Flow::None); // not part of the text
        QCOMPARE(reason, QStringLiteral("untouched"));
    }

    // Every value the text can hold comes back from its text unchanged.
    void roundTrip_data()
    {
        QTest::addColumn<SerialSettings>("value");
        const Parity parities[] = {Parity::None, Parity::Even, Parity::Odd, Parity::Mark, Parity::Space};
        const StopBits stops[] = {StopBits::One, StopBits::OneAndHalf, StopBits::Two};
        for (const qint32 speed : {1, 110, 9600, 115200, 999999999})
            for (const Parity parity : parities)
                for (int dataBits = 4; dataBits <= 8; ++dataBits)
                    for (const StopBits stop : stops) {
                        const SerialSettings s = settings(speed, parity, dataBits, stop);
                        QTest::newRow(qPrintable(s.format())) << s;
                    }
    }

    void roundTrip()
    {
        QFETCH(SerialSettings, value);
        const QString text = value.format();
        QVERIFY2(!text.contains(QLatin1Char(' ')) && text == text.toLower(), qPrintable(text));
        const std::optional<SerialSettings> back = SerialSettings::parse(text);
        QVERIFY2(back && *back == value, qPrintable(back ? back->format() : QStringLiteral("refused")));
        QVERIFY2(value.problem().isEmpty(), qPrintable(value.problem()));
    }

    // How send, check and the transcripts name the line, word for word.
    void describe_data()
    {
        QTest::addColumn<SerialSettings>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("the defaults") << SerialSettings{} << u"9600,n,8,1、フロー制御なし"_qs;
        QTest::newRow("Xon/Xoff") << settings(19200, Parity::Even, 7, StopBits::Two, Flow::XonXoff)
                                  << u"19200,e,7,2、フロー制御 Xon/Xoff"_qs;
        QTest::newRow("RTS") << settings(2400, Parity::Mark, 8, StopBits::One, Flow::Rts)
                             << u"2400,m,8,1、フロー制御 RTS"_qs;
        QTest::newRow("Xon/RTS") << settings(115200, Parity::Space, 5, StopBits::OneAndHalf, Flow::XonRts)
                                 << u"115200,s,5,1.5、フロー制御 Xon/RTS"_qs;
        QTest::newRow("odd") << settings(300, Parity::Odd, 6, StopBits::One) << u"300,o,6,1、フロー制御なし"_qs;
    }

    void describe()
    {
        QFETCH(SerialSettings, value);
        QFETCH(QString, text);
        QCOMPARE(value.describe(), text);
    }

    // A value put together in code (the window's lists, the command line's
    // options) is held to what the text could hold.
    void problem_data()
    {
        QTest::addColumn<SerialSettings>("value");
        QTest::addColumn<QString>("problem"); // empty: a setting
        QTest::newRow("the defaults") << SerialSettings{} << QString();
        QTest::newRow("speed 0") << settings(0, Parity::None, 8, StopBits::One) << u"通信速度 0 は使用できません。"_qs;
        QTest::newRow("negative speed") << settings(-1, Parity::None, 8, StopBits::One)
                                        << u"通信速度 -1 は使用できません。"_qs;
        QTest::newRow("speed of ten digits") << settings(1000000000, Parity::None, 8, StopBits::One)
                                             << u"通信速度 1000000000 は使用できません。"_qs;
        QTest::newRow("3 data bits") << settings(9600, Parity::None, 3, StopBits::One) << malformed("9600,n,3,1");
        QTest::newRow("9 data bits") << settings(9600, Parity::Even, 9, StopBits::Two) << malformed("9600,e,9,2");
    }

    void problem()
    {
        QFETCH(SerialSettings, value);
        QFETCH(QString, problem);
        QCOMPARE(value.problem(), problem);
    }

    // The stored flow-control number: only the four choices the window offers.
    void flowOf_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("flow"); // -1: none
        for (const int number : {-1, 0, 1, 2, 3, 4, 7})
            QTest::addRow("%d", number) << number << (number >= 0 && number <= 3 ? number : -1);
    }

    void flowOf()
    {
        QFETCH(int, number);
        QFETCH(int, flow);
        const std::optional<Flow> read = SerialSettings::flowOf(number);
        QCOMPARE(read ? int(*read) : -1, flow);
    }
};

QTEST_GUILESS_MAIN(TestSerialSettings)
#include "tst_SerialSettings.moc"
