#include "PdfText.h"
#include "ScriptPrinter.h"

#include <QPageRanges>
#include <QPrinter>
#include <QTemporaryDir>
#include <QtTest>

using namespace mg;
using namespace mgtest;

namespace {

// The printout as Qt's PDF engine writes it, read back; `pages` is what the
// printer answered.
PdfText printToPdf(const QString &fileName, const QString &script, int *pages, const QPageRanges &ranges = {})
{
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("copy.pdf")));
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    if (!ranges.isEmpty()) {
        printer.setPrintRange(QPrinter::PageRange);
        printer.setPageRanges(ranges);
    }
    *pages = ScriptPrinter::print({fileName, QDateTime(QDate(2024, 5, 1), QTime(9, 5)), script}, printer);
    return readPdfText(printer.outputFileName());
}

QStringList numberedLines(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("add ip route=10.%1.0.0 mask=255.255.0.0 int=ppp0 nexthop=0.0.0.0").arg(i);
    return lines;
}

// The script lines of all pages together, once every page has shown the file
// name and the date first and "page / pages" last, and every character of a
// script line in Latin letters has taken the same width.
QStringList bodyOfEveryPage(const PdfText &pdf, const QString &fileName, int pages)
{
    QStringList body;
    for (int page = 0; page < pdf.pages.size(); ++page) {
        const QStringList lines = pdf.lines(page);
        if (lines.size() < 2 || !lines[0].startsWith(fileName) || !lines[0].endsWith(QLatin1String("2024/05/01 09:05"))
            || lines.constLast() != QStringLiteral("%1 / %2").arg(page + 1).arg(pages))
            return {QStringLiteral("<page %1 without its header or footer: %2>").arg(page + 1).arg(lines.join('|'))};
        for (const PdfLine &line : pdf.pages[page].mid(1, lines.size() - 2)) {
            const bool ascii = line.text.toUtf8() == line.text.toLatin1();
            const double advance = line.x.size() > 1 ? line.x[1] - line.x[0] : 1;
            for (int i = 1; ascii && i < line.x.size(); ++i)
                if (advance <= 0 || qAbs(line.x[i] - line.x[i - 1] - advance) > 0.01)
                    return {QStringLiteral("<character %1 of \"%2\" out of step>").arg(i).arg(line.text)};
            body << line.text;
        }
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

        const QStringList shortScript{"enable ip", "set ppp user=abc pass=def", "iiiiiWWWWW.....MMMMM", "save"};
        QTest::newRow("short script") << "office.cfg" << shortScript.join("\r\n") + "\r\n" << shortScript << false
                                      << false;
        QTest::newRow("Japanese names, blank lines, a hand edit's lone LF")
            << "本社.cfg" << "# 本社 ユーザ名\r\n\r\nenable ip\nsave" << QStringList{"# 本社 ユーザ名", "enable ip", "save"}
            << false << false;
        QTest::newRow("tab expanded") << "a.cfg" << "a\tb\r\n" << QStringList{"a       b"} << false << false;
        const QStringList many = numberedLines(160);
        QTest::newRow("many pages") << "branch.cfg" << many.join("\r\n") + "\r\n" << many << false << true;
        const QString longLine = "set ppp user=" + QString(90, 'u') + " pass=" + QString(60, 'p') + " remote="
                                 + QString(40, '9');
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
        int pages = 0;
        const PdfText pdf = printToPdf(fileName, script, &pages);
        QVERIFY2(pdf.error.isEmpty(), qPrintable(pdf.error));
        QCOMPARE(pdf.pages.size(), pages);
        QTEST(pages > 1, "severalPages");
        const QStringList body = bodyOfEveryPage(pdf, fileName, pages);
        if (!wraps)
            QCOMPARE(body, expected);
        // Nothing is cut: the pieces of a long line put together give it back.
        QCOMPARE(body.size() > expected.size(), wraps);
        QCOMPARE(body.join(QString()), expected.join(QString()));
        QCOMPARE(body.value(0), expected.value(0));
        QCOMPARE(body.value(body.size() - 1), expected.value(expected.size() - 1));
    }

    void printsOnlyTheChosenPages()
    {
        const QStringList many = numberedLines(200);
        QPageRanges second;
        second.addPage(2);
        int pages = 0;
        const PdfText pdf = printToPdf("b.cfg", many.join("\r\n"), &pages, second);
        QVERIFY2(pdf.error.isEmpty(), qPrintable(pdf.error));
        QVERIFY(pages >= 3);
        QCOMPARE(pdf.pages.size(), 1);
        const QStringList lines = pdf.lines(0);
        QCOMPARE(lines.constLast(), QStringLiteral("2 / %1").arg(pages));
        // The page holds the run of lines that follows the first page's.
        const QStringList body = lines.mid(1, lines.size() - 2);
        const qsizetype from = many.indexOf(body.constFirst());
        QVERIFY(from > 0);
        QCOMPARE(body, many.mid(from, body.size()));
    }
};

QTEST_MAIN(TestScriptPrinter)
#include "tst_ScriptPrinter.moc"
