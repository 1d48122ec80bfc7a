#include "RouterOutputParser.h"

#include <QDir>
#include <QtTest>

using namespace mg;

namespace {

// The parser's verdicts over one stream cut into the given arrivals.
QList<RouterOutput> feedAll(const QList<QByteArray> &arrivals)
{
    RouterOutputParser parser;
    QList<RouterOutput> out;
    for (const QByteArray &a : arrivals)
        out.append(parser.feed(a));
    return out;
}

} // namespace

class TestRouterOutputParser : public QObject {
    Q_OBJECT
private slots:
    // Arrivals as the socket delivers them, and what each one shows.
    void arrivals_data()
    {
        QTest::addColumn<QList<QByteArray>>("arrivals");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QList<bool>>("errors");
        using B = QList<QByteArray>;
        using T = QStringList;
        using E = QList<bool>;

        QTest::newRow("plain text") << B{"login: "} << T{"login: "} << E{false};
        QTest::newRow("negotiation at the start")
            << B{"\xff\xfb\x01\xff\xfb\x03\xff\xfd\x18login: "} << T{"login: "} << E{false};
        QTest::newRow("negotiation in the middle") << B{"pass\xff\xfd\x1fword:"} << T{"password:"} << E{false};
        QTest::newRow("split after IAC") << B{"ab\xff", "\xfb\x01" "cd"} << T{"ab", "cd"} << E{false, false};
        QTest::newRow("split after the verb, printable option")
            << B{"ab\xff\xfd", "Acd"} << T{"ab", "cd"} << E{false, false};
        QTest::newRow("IAC alone, verb alone, option alone")
            << B{"x\xff", "\xfc", "\x01", "y"} << T{"x", "", "", "y"} << E{false, false, false, false};
        QTest::newRow("subnegotiation")
            << B{"a\xff\xfa\x18\x01\xff\xf0" "b"} << T{"a" "b"} << E{false};
        QTest::newRow("subnegotiation over three arrivals, text inside it hidden")
            << B{"a\xff\xfa\x18", "\x01login: \xff", "\xf0" "b"} << T{"a", "", "b"}
            << E{false, false, false};
        QTest::newRow("escaped 255 inside a subnegotiation")
            << B{"\xff\xfa\x18\xff\xff\x01\xff\xf0ok"} << T{"ok"} << E{false};
        QTest::newRow("unclosed subnegotiation ended by another command")
            << B{"\xff\xfa\x18" "abc\xff\xf1shown"} << T{"shown"} << E{false};
        QTest::newRow("IAC IAC is a data byte (not cp932)")
            << B{"a\xff\xff" "b"} << T{u"a\uFFFDb"_qs} << E{false};
        QTest::newRow("IAC IAC split") << B{"a\xff", "\xff" "b"} << T{"a", u"\uFFFDb"_qs} << E{false, false};
        QTest::newRow("two-byte commands") << B{"a\xff\xf1" "b\xff\xf9" "c\xff\xf0" "d"} << T{"abcd"} << E{false};
        QTest::newRow("stray IAC before text keeps the text") << B{"a\xff" "Bc"} << T{"aBc"} << E{false};
        QTest::newRow("Shift_JIS split mid-character")
            << B{"\x82", "\xa0\x82", "\xa2\r\n"} << T{"", u"あ"_qs, u"い\r\n"_qs} << E{false, false, false};
        QTest::newRow("negotiation inside a character")
            << B{"\x90\xff\xfb\x01\xdd\x92", "\xff", "\xfd\x03\xe8"} << T{u"設"_qs, "", u"定"_qs}
            << E{false, false, false};
        QTest::newRow("half-width katakana and control bytes")
            << B{"\xb4\xd7\xb0\x1a\x7f"} << T{u"ｴﾗｰ\x1a\x7f"_qs} << E{false};
        QTest::newRow("invalid bytes") << B{"a\x80\xa0\xfd" "b"} << T{u"a\uFFFD\uFFFD\uFFFDb"_qs} << E{false};
        QTest::newRow("lead byte without its second byte")
            << B{"\x82", "\r\n"} << T{"", u"\uFFFD\r\n"_qs} << E{false, false};

        QTest::newRow("Error in one arrival")
            << B{"% Error: bad command\r\n"} << T{"% Error: bad command\r\n"} << E{true};
        QTest::newRow("Err + or") << B{"Err", "or"} << T{"Err", "or"} << E{false, true};
        QTest::newRow("E + rro + r") << B{"% E", "rro", "r\r\n"} << T{"% E", "rro", "r\r\n"} << E{false, false, true};
        QTest::newRow("negotiation in the middle of Error")
            << B{"Er\xff\xfb\x01ror"} << T{"Error"} << E{true};
        QTest::newRow("negotiation split in the middle of Error")
            << B{"Er\xff", "\xfb", "\x01r", "or"} << T{"Er", "", "r", "or"} << E{false, false, false, true};
        QTest::newRow("reported once") << B{"Error", "\r\n", "x"} << T{"Error", "\r\n", "x"} << E{true, false, false};
        QTest::newRow("a later occurrence is new") << B{"Error", " Error"} << T{"Error", " Error"} << E{true, true};
        QTest::newRow("Erro + r + r") << B{"Erro", "r", "r"} << T{"Erro", "r", "r"} << E{false, true, false};
        QTest::newRow("case matters") << B{"error ERROR"} << T{"error ERROR"} << E{false};
        // The E is the second byte of a katakana: the bytes hold "Error",
        // the text does not.
        QTest::newRow("E as a second byte") << B{"\x83" "Error"} << T{u"ウrror"_qs} << E{false};
    }

    void arrivals()
    {
        QFETCH(QList<QByteArray>, arrivals);
        QFETCH(QStringList, texts);
        QFETCH(QList<bool>, errors);
        const QList<RouterOutput> out = feedAll(arrivals);
        QStringList shownTexts;
        QList<bool> shownErrors;
        for (const RouterOutput &o : out) {
            shownTexts << o.text;
            shownErrors << o.error;
        }
        QCOMPARE(shownTexts, texts);
        QCOMPARE(shownErrors, errors);
    }

    // A new connection starts clean: nothing half-read from the last one
    // hides or completes anything.
    void reset_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("error");
        QTest::newRow("open subnegotiation") << QByteArray("ab\xff\xfa") << QByteArray("login:") << "login:" << false;
        QTest::newRow("IAC waiting") << QByteArray("ab\xff") << QByteArray("\xfd" "A") << u"\uFFFDA"_qs << false;
        QTest::newRow("lead byte waiting") << QByteArray("\x82") << QByteArray("\xa0") << u"\uFFFD"_qs << false;
        QTest::newRow("half an Error") << QByteArray("Err") << QByteArray("or") << "or" << false;
    }

    void reset()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(QString, text);
        QFETCH(bool, error);
        RouterOutputParser parser;
        parser.feed(before);
        parser.reset();
        const RouterOutput out = parser.feed(after);
        QCOMPARE(out.text, text);
        QCOMPARE(out.error, error);
    }

    // The fuzzing seeds, cut at every point and byte by byte: the text must
    // not depend on how the stream was cut, and "Error" must be seen exactly
    // when the whole text holds it. A crash the fuzzer finds is kept here.
    void corpus_data()
    {
        QTest::addColumn<QString>("path");
        const QDir dir(QStringLiteral(MG_TEST_DATA_DIR "/corpus"));
        const QStringList names = dir.entryList(QDir::Files, QDir::Name);
        QVERIFY(!names.isEmpty());
        for (const QString &name : names)
            QTest::newRow(qPrintable(name)) << dir.filePath(name);
    }

    void corpus()
    {
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray stream = file.readAll();
        const RouterOutput whole = feedAll({stream}).constFirst();
        const int occurrences = int(whole.text.count(QStringLiteral("Error")));
        QCOMPARE(whole.error, occurrences > 0);

        QList<QList<QByteArray>> cuts;
        for (qsizetype at = 1; at < stream.size(); ++at)
            cuts.append({stream.left(at), stream.mid(at)});
        QList<QByteArray> single;
        for (const char c : stream)
            single.append(QByteArray(1, c));
        cuts.append(single);
        for (const QList<QByteArray> &cut : std::as_const(cuts)) {
            QString text;
            int reported = 0;
            for (const RouterOutput &o : feedAll(cut)) {
                text += o.text;
                reported += o.error;
            }
            QCOMPARE(text, whole.text);
            QCOMPARE(reported > 0, occurrences > 0);
            QVERIFY(reported <= occurrences);
        }
    }
};

QTEST_GUILESS_MAIN(TestRouterOutputParser)
#include "tst_RouterOutputParser.moc"
