#include "PdfText.h"
#include "ScriptPrinter.h"

#include <QPageRanges>
#include <QPrinter>
#include <QTemporaryDir>
#include <QtTest>

using namespace mg;
using namespace mgtest;

namespace {

const QDateTime PrintedAt(QDate(2024, 5, 1), QTime(9, 5));

struct Printed {
    int pages = 0;
    PdfText pdf;
};

Printed printToPdf(const ScriptPrintout &printout, const QString &path, const QPageRanges &ranges = {})
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    if (!ranges.isEmpty()) {
        printer.setPrintRange(QPrinter::PageRange);
        printer.setPageRanges(ranges);
    }
    Printed printed;
    printed.pages = ScriptPrinter::print(printout, printer);
    printed.pdf = readPdfText(path);
    return printed;
}

QStringList numberedLines(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("add ip route=10.%1.0.0 mask=255.255.0.0 int=ppp0 nexthop=0.0.0.0").arg(i);
    return lines;
}

// Every page: header with the file name and the date first, "page / pages"
// last; answers the script lines in between, all pages together.
QStringList bodyOfEveryPage(const PdfText &pdf, const QString &fileName, int pages)
{
    QStringList body;
    for (int page = 0; page < pdf.pages.size(); ++page) {
        const QStringList lines = pdf.lines(page);
        if (lines.size() < 2) {
            qWarning() << "page" << page + 1 << "lacks its header or footer:" << lines;
            return {QStringLiteral("<bad page>")};
        }
        const QString header = lines.constFirst();
        if (!header.startsWith(fileName) || !header.endsWith(QStringLiteral("2024/05/01 09:05"))
            || lines.constLast() != QStringLiteral("%1 / %2").arg(page + 1).arg(pages)) {
            qWarning() << "page" << page + 1 << "header or footer:" << header << lines.constLast();
            return {QStringLiteral("<bad page>")};
        }
        body << lines.mid(1, lines.size() - 2);
    }
    return body;
}

} // namespace

class TestScriptPrinter : public QObject {
    Q_OBJECT
private slots:
    void printsEveryLineOnHeadedNumberedPages_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("expected"); // the lines read back, blank ones aside
        QTest::addColumn<bool>("wraps");           // long lines go on in the next line
        QTest::addColumn<bool>("severalPages");

        QTest::newRow("short script") << "office.cfg" << "enable ip\r\nset ppp user=abc pass=def\r\nsave\r\n"
                                      << QStringList{"enable ip", "set ppp user=abc pass=def", "save"} << false << false;
        QTest::newRow("Japanese names, blank lines, a hand edit's lone LF")
            << "本社.cfg" << "# 本社 ユーザ名\r\n\r\nenable ip\nsave"
            << QStringList{"# 本社 ユーザ名", "enable ip", "save"} << false << false;
        QTest::newRow("tab expanded") << "a.cfg" << "a\tb\r\n" << QStringList{"a       b"} << false << false;
        const QStringList many = numberedLines(160);
        QTest::newRow("many pages") << "branch.cfg" << many.join("\r\n") + "\r\n" << many << false << true;
        const QString longLine = QStringLiteral("set ppp user=") + QString(90, 'u') + QStringLiteral(" pass=")
                                 + QString(60, 'p') + QStringLiteral(" remote=") + QString(40, '9');
        QTest::newRow("a line wider than the paper") << "long.cfg" << "enable ip\r\n" + longLine + "\r\nsave\r\n"
                                                     << QStringList{"enable ip", longLine, "save"} << true << false;
        QTest::newRow("nothing to print") << "empty.cfg" << "" << QStringList{} << false << false;
    }

    void printsEveryLineOnHeadedNumberedPages()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, script);
        QFETCH(QStringList, expected);
        QFETCH(bool, wraps);
        QFETCH(bool, severalPages);
        QTemporaryDir dir;
        const Printed printed = printToPdf({fileName, PrintedAt, script}, dir.filePath("copy.pdf"));
        QVERIFY2(printed.pdf.error.isEmpty(), qPrintable(printed.pdf.error));
        QCOMPARE(printed.pdf.pages.size(), printed.pages);
        QCOMPARE(printed.pages > 1, severalPages);
        const QStringList body = bodyOfEveryPage(printed.pdf, fileName, printed.pages);
        if (!wraps) {
            QCOMPARE(body, expected);
            return;
        }
        // Nothing is cut: the pieces of a long line put together give it back.
        QVERIFY(body.size() > expected.size());
        QCOMPARE(body.join(QString()), expected.join(QString()));
        QCOMPARE(body.constFirst(), expected.constFirst());
        QCOMPARE(body.constLast(), expected.constLast());
    }

    void everyCharacterTakesTheSameWidth()
    {
        QTemporaryDir dir;
        const Printed printed = printToPdf({"a.cfg", PrintedAt, "iiiiiWWWWW.....MMMMM\r\n"}, dir.filePath("p.pdf"));
        QVERIFY2(printed.pdf.error.isEmpty(), qPrintable(printed.pdf.error));
        const PdfLine line = printed.pdf.pages.value(0).value(1);
        QCOMPARE(line.text, QStringLiteral("iiiiiWWWWW.....MMMMM"));
        const double advance = line.x.at(1) - line.x.at(0);
        QVERIFY(advance > 0);
        for (int i = 1; i < line.x.size(); ++i)
            QVERIFY2(qAbs(line.x.at(i) - line.x.at(i - 1) - advance) < 0.01, qPrintable(QString::number(i)));
    }

    void printsOnlyTheChosenPages()
    {
        const QStringList many = numberedLines(200);
        QTemporaryDir dir;
        QPageRanges second;
        second.addPage(2);
        const Printed printed = printToPdf({"b.cfg", PrintedAt, many.join("\r\n")}, dir.filePath("p.pdf"), second);
        QVERIFY2(printed.pdf.error.isEmpty(), qPrintable(printed.pdf.error));
        QVERIFY(printed.pages >= 3);
        QCOMPARE(printed.pdf.pages.size(), 1);
        const QStringList lines = printed.pdf.lines(0);
        QCOMPARE(lines.constLast(), QStringLiteral("2 / %1").arg(printed.pages));
        // The page holds the run of lines that follows the first page's.
        const QStringList body = lines.mid(1, lines.size() - 2);
        const qsizetype from = many.indexOf(body.constFirst());
        QVERIFY(from > 0);
        QCOMPARE(body, many.mid(from, body.size()));
    }
};

QTEST_MAIN(TestScriptPrinter)
#include "tst_ScriptPrinter.moc"
