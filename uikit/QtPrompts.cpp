#include "QtPrompts.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>

#include <algorithm>

namespace mg {

namespace {

// QMessageBox wraps any line wider than about half the screen at any
// character; the messages break their lines where they mean to. The label
// is made wide enough for the widest line, as far as the screen allows.
void keepLinesWhole(QMessageBox &box, const QString &text)
{
    const QFontMetrics metrics(box.font());
    int widest = 0;
    for (const QString &line : text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n"))))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    const QScreen *screen = box.screen();
    const int room = screen ? screen->availableGeometry().width() - 160 : widest;
    box.setStyleSheet(QStringLiteral("QLabel#qt_msgbox_label { min-width: %1px; }").arg(std::min(widest + 4, room)));
}

} // namespace

MessageAnswer QtMessagePrompt::show(const QString &text, const QString &title, MessageIcon icon,
                                    MessageButtons buttons)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(title);
    // Messages quote the router's lines and file names: never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    keepLinesWhole(box, text);
    switch (icon) {
    case MessageIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MessageIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MessageIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    }
    switch (buttons) {
    case MessageButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
        break;
    case MessageButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case MessageButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        break;
    case MessageButtons::YesNoDefaultNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        break;
    case MessageButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    }
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes: return MessageAnswer::Yes;
    case QMessageBox::No: return MessageAnswer::No;
    case QMessageBox::Ok: return MessageAnswer::Ok;
    case QMessageBox::Cancel: return MessageAnswer::Cancel;
    default: break;
    }
    switch (buttons) {
    case MessageButtons::Ok: return MessageAnswer::Ok;
    case MessageButtons::YesNo:
    case MessageButtons::YesNoDefaultNo: return MessageAnswer::No;
    default: return MessageAnswer::Cancel;
    }
}

std::optional<QString> QtFileDialogPrompt::saveFileName(const FileDialogRequest &request)
{
    return run(request, true);
}

std::optional<QString> QtFileDialogPrompt::openFileName(const FileDialogRequest &request)
{
    return run(request, false);
}

std::optional<QString> QtFileDialogPrompt::run(const FileDialogRequest &request, bool save)
{
    QFileDialog dialog(m_parent, request.title, request.initialDirectory);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (save)
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    QStringList filters;
    for (const FileFilter &f : request.filters)
        filters << f.qtFilter();
    dialog.setNameFilters(filters);
    if (request.selectedFilter >= 0 && request.selectedFilter < filters.size())
        dialog.selectNameFilter(filters.at(request.selectedFilter));
    if (!request.initialFileName.isEmpty())
        dialog.selectFile(request.initialFileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace mg
