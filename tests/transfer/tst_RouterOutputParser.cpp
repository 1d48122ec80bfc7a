#include "RouterOutputParser.h"

#include <QDir>
#include <QtTest>

using namespace mg;

namespace {

// The parser's verdicts over one stream cut into the given arrivals; a null
// arrival is a new connection (reset()).
QList<RouterOutput> feedAll(const QList<QByteArray> &arrivals)
{
    RouterOutputParser parser;
    QList<RouterOutput> out;
    for (const QByteArray &a : arrivals) {
        if (a.isNull())
            parser.reset();
        else
            out.append(parser.feed(a));
    }
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
        auto row = [](const char *name, const B &arrivals, const T &texts, E errors = {}) {
            QTest::newRow(name) << arrivals << texts << (errors.isEmpty() ? E(texts.size(), false) : errors);
        };
        row("negotiation at the start and in the middle", {"\xff\xfb\x01\xff\xfb\x03\xff\xfd\x18login: pass\xff\xfd\x1fword:"},
            {"login: password:"});
        row("IAC alone, verb alone, printable option alone", {"x\xff", "\xfc", "A", "y"}, {"x", "", "", "y"});
        row("subnegotiation over three arrivals, text inside it hidden", {"a\xff\xfa\x18", "\x01login: \xff", "\xf0" "b"}, {"a", "", "b"});
        row("escaped 255 inside a subnegotiation", {"\xff\xfa\x18\xff\xff\x01\xff\xf0ok"}, {"ok"});
        row("unclosed subnegotiation ended by another command", {"\xff\xfa\x18" "abc\xff\xf1shown"}, {"shown"});
        row("IAC IAC is a data byte (not cp932), whole and split", {"a\xff\xff" "b\xff", "\xff" "c"}, {u"a\uFFFDb"_qs, u"\uFFFDc"_qs});
        row("two-byte commands", {"a\xff\xf1" "b\xff\xf9" "c\xff\xf0" "d"}, {"abcd"});
        row("stray IAC before text keeps the text", {"a\xff" "Bc"}, {"aBc"});
        row("Shift_JIS split mid-character", {"\x82", "\xa0\x82", "\xa2\r\n"}, {"", u"あ"_qs, u"い\r\n"_qs});
        row("negotiation inside a character", {"\x90\xff\xfb\x01\xdd\x92", "\xff", "\xfd\x03\xe8"}, {u"設"_qs, "", u"定"_qs});
        row("half-width katakana and control bytes", {"\xb4\xd7\xb0\x1a\x7f"}, {u"ｴﾗｰ\x1a\x7f"_qs});
        row("invalid bytes", {"a\x80\xa0\xfd" "b"}, {u"a\uFFFD\uFFFD\uFFFDb"_qs});
        row("lead byte without its second byte", {"\x82", "\r\n"}, {"", u"\uFFFD\r\n"_qs});

        row("Error in one arrival", {"% Error: bad command\r\n"}, {"% Error: bad command\r\n"}, {true});
        row("E + rro + r", {"% E", "rro", "r\r\n"}, {"% E", "rro", "r\r\n"}, {false, false, true});
        row("negotiation split in the middle of Error", {"Er\xff", "\xfb", "\x01r", "or"}, {"Er", "", "r", "or"},
            {false, false, false, true});
        row("reported once, a later occurrence is new", {"Error", "\r\n", " Error"}, {"Error", "\r\n", " Error"}, {true, false, true});
        row("Erro + r + r", {"Erro", "r", "r"}, {"Erro", "r", "r"}, {false, true, false});
        row("case matters", {"error ERROR"}, {"error ERROR"});
        // The E is the second byte of a katakana: the bytes hold "Error",
        // the text does not.
        row("E as a second byte", {"\x83" "Error"}, {u"ウrror"_qs});

        // A new connection starts clean: nothing half-read from the last one
        // hides or completes anything.
        row("reset: open subnegotiation", {"ab\xff\xfa", {}, "login:"}, {"ab", "login:"});
        row("reset: IAC waiting", {"ab\xff", {}, "\xfd" "A"}, {"ab", u"\uFFFDA"_qs});
        row("reset: lead byte waiting", {"\x82", {}, "\xa0"}, {"", u"\uFFFD"_qs});
        row("reset: half an Error", {"Err", {}, "or"}, {"Err", "or"});
    }

    void arrivals()
    {
        QFETCH(QList<QByteArray>, arrivals);
        QFETCH(QStringList, texts);
        QFETCH(QList<bool>, errors);
        QStringList shownTexts;
        QList<bool> shownErrors;
        for (const RouterOutput &o : feedAll(arrivals)) {
            shownTexts << o.text;
            shownErrors << o.error;
        }
        QCOMPARE(shownTexts, texts);
        QCOMPARE(shownErrors, errors);
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

        QList<QByteArray> single;
        for (const char c : stream)
            single.append(QByteArray(1, c));
        QList<QList<QByteArray>> cuts{single};
        for (qsizetype at = 1; at < stream.size(); ++at)
            cuts.append({stream.left(at), stream.mid(at)});
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
