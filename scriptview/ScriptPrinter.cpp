#include "ScriptPrinter.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPageRanges>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace mg {

namespace {

constexpr qreal FontPoints = 10;
constexpr int TabWidth = 8;

QFont printFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(FontPoints);
    return font;
}

QString expandTabs(const QString &line)
{
    if (!line.contains(QLatin1Char('\t')))
        return line;
    QString expanded;
    for (const QChar c : line) {
        if (c == QLatin1Char('\t'))
            expanded += QString(TabWidth - expanded.size() % TabWidth, QLatin1Char(' '));
        else
            expanded += c;
    }
    return expanded;
}

// The script's own lines: the router's CR LF, and whatever a hand edit left.
// The break that ends the last line does not open an empty one.
QStringList scriptLines(const QString &script)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = script.split(lineBreak);
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

// The lines as they go on paper, each no wider than `width`.
QStringList paperLines(const QStringList &lines, const QFont &font, QPaintDevice *device, qreal width)
{
    QStringList paper;
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    for (const QString &raw : lines) {
        const QString line = expandTabs(raw);
        if (line.isEmpty()) {
            paper << QString();
            continue;
        }
        QTextLayout layout(line, font, device);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine piece = layout.createLine(); piece.isValid(); piece = layout.createLine()) {
            piece.setLineWidth(width);
            paper << line.mid(piece.textStart(), piece.textLength());
        }
        layout.endLayout();
    }
    return paper;
}

} // namespace

QString ScriptPrinter::dateText(const QDateTime &printedAt)
{
    return printedAt.toString(QStringLiteral("yyyy/MM/dd HH:mm"));
}

int ScriptPrinter::print(const ScriptPrintout &printout, QPrinter &printer)
{
    const QFont font = printFont();
    const QFontMetricsF metrics(font, &printer);
    const QSizeF area = printer.pageLayout().paintRectPixels(printer.resolution()).size();
    const qreal lineHeight = metrics.lineSpacing();
    const qreal bodyTop = lineHeight * 2;
    const qreal bodyBottom = area.height() - lineHeight * 2;
    const int linesPerPage = std::max(1, int(std::floor((bodyBottom - bodyTop) / lineHeight)));

    const QStringList lines = paperLines(scriptLines(printout.script), font, &printer, area.width());
    const int pages = std::max<int>(1, (lines.size() + linesPerPage - 1) / linesPerPage);

    const bool someOnly = printer.printRange() == QPrinter::PageRange && !printer.pageRanges().isEmpty();
    QPainter painter;
    if (!painter.begin(&printer))
        return 0;
    painter.setFont(font);
    const QString date = dateText(printout.printedAt);
    bool first = true;
    for (int page = 1; page <= pages; ++page) {
        if (someOnly && !printer.pageRanges().contains(page))
            continue;
        if (!first)
            printer.newPage();
        first = false;

        const qreal headerBaseline = metrics.ascent();
        painter.drawText(QPointF(0, headerBaseline), printout.fileName);
        painter.drawText(QPointF(area.width() - metrics.horizontalAdvance(date), headerBaseline), date);
        const qreal rule = lineHeight * 1.25;
        painter.drawLine(QPointF(0, rule), QPointF(area.width(), rule));

        const int from = (page - 1) * linesPerPage;
        const int to = std::min<int>(lines.size(), from + linesPerPage);
        for (int i = from; i < to; ++i)
            painter.drawText(QPointF(0, bodyTop + (i - from) * lineHeight + metrics.ascent()), lines.at(i));

        const QString number = QStringLiteral("%1 / %2").arg(page).arg(pages);
        painter.drawText(QPointF((area.width() - metrics.horizontalAdvance(number)) / 2,
                                 area.height() - metrics.descent()),
                         number);
    }
    painter.end();
    return pages;
}

void ScriptPrinter::preview(const ScriptPrintout &printout, QWidget *parent)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(printout.fileName);
    printer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setObjectName(QStringLiteral("dlgPrintPreview"));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&printout](QPrinter *target) { print(printout, *target); });
    dialog.exec();
}

} // namespace mg
