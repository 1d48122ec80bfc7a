#pragma once

#include "ScriptReader.h"

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace mg {

// The lines of a script that reading it into the form could not place, one
// a line as "N 行目: TEXT (REASON)", for the operator to copy and carry over
// by hand. Shown without blocking, so the form stays usable beside it.
class UnplacedLinesDialog : public QDialog {
    Q_OBJECT
public:
    explicit UnplacedLinesDialog(const QList<UnplacedLine> &lines, QWidget *parent = nullptr);

    static QString linesText(const QList<UnplacedLine> &lines);

    QPlainTextEdit *txtLines = nullptr;
    QPushButton *cmdCopy = nullptr;
    QPushButton *cmdClose = nullptr;

public slots:
    void cmdCopy_Click();
};

// Opens the window over `parent` when there is anything to show; it deletes
// itself on closing. Answers the window, or nullptr when every line was placed.
UnplacedLinesDialog *ShowUnplacedLines(const QList<UnplacedLine> &lines, QWidget *parent);

} // namespace mg
