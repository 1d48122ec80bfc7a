#include "UnplacedLinesDialog.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace mg {

UnplacedLinesDialog::UnplacedLinesDialog(const QList<UnplacedLine> &lines, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmUnplaced"));
    setWindowTitle(QStringLiteral("読み込めなかった行"));
    auto *label = new QLabel(QStringLiteral("次の行は設定に取り込めませんでした。必要な設定は手で入力してください。"), this);
    label->setWordWrap(true);
    txtLines = new QPlainTextEdit(this);
    txtLines->setObjectName(QStringLiteral("txtLines"));
    txtLines->setReadOnly(true);
    txtLines->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtLines->setPlainText(linesText(lines));
    cmdCopy = new QPushButton(QStringLiteral("コピー"), this);
    cmdCopy->setObjectName(QStringLiteral("cmdCopy"));
    cmdClose = new QPushButton(QStringLiteral("閉じる"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setDefault(true);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdCopy);
    buttons->addWidget(cmdClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(txtLines);
    layout->addLayout(buttons);
    resize(560, 300);

    connect(cmdCopy, &QPushButton::clicked, this, &UnplacedLinesDialog::cmdCopy_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
}

QString UnplacedLinesDialog::linesText(const QList<UnplacedLine> &lines)
{
    QStringList text;
    for (const UnplacedLine &line : lines)
        text << QStringLiteral("%1 行目: %2 (%3)").arg(line.line).arg(line.text, line.reason);
    return text.join(QLatin1Char('\n'));
}

void UnplacedLinesDialog::cmdCopy_Click()
{
    QGuiApplication::clipboard()->setText(txtLines->toPlainText());
}

UnplacedLinesDialog *ShowUnplacedLines(const QList<UnplacedLine> &lines, QWidget *parent)
{
    if (lines.isEmpty())
        return nullptr;
    auto *dialog = new UnplacedLinesDialog(lines, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    return dialog;
}

} // namespace mg
