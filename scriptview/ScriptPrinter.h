#pragma once

#include <QDateTime>
#include <QString>

class QPrinter;
class QWidget;

namespace mg {

// What one printed copy of a script carries: the operator files it as the
// record of what went on a router, so every page names the file and the day.
struct ScriptPrintout {
    QString fileName;
    QDateTime printedAt;
    QString script;
};

// Lays a script out on paper in a fixed-pitch font: a header with the file
// name and the date, the script lines (a line too long for the paper goes
// on in the next line rather than being cut), and "page / pages" at the
// foot of every page.
class ScriptPrinter {
public:
    // Paints the pages the printer asks for (all of them unless the operator
    // chose a page range) and answers how many pages the printout has; 0 when
    // the printer could not be started.
    static int print(const ScriptPrintout &printout, QPrinter &printer);

    // Qt's print preview over `parent`; its print button leads to Qt's print
    // dialog, which also prints to a PDF file.
    static void preview(const ScriptPrintout &printout, QWidget *parent);

    // The header's date, as the operator reads it on paper.
    static QString dateText(const QDateTime &printedAt);
};

} // namespace mg
