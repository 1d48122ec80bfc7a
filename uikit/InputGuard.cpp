#include "InputGuard.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

namespace mg {

InputGuard::InputGuard(QLineEdit *box, KeyRule rule)
    : QObject(box), m_box(box), m_rule(std::move(rule))
{
    box->setAcceptDrops(false);
    box->installEventFilter(this);
}

InputGuard *InputGuard::install(QLineEdit *box, KeyRule rule)
{
    return new InputGuard(box, std::move(rule));
}

InputGuard *InputGuard::install(QComboBox *combo, KeyRule rule)
{
    Q_ASSERT(combo->lineEdit());
    return new InputGuard(combo->lineEdit(), std::move(rule));
}

QLineEdit *InputGuard::createBox(QWidget *parent, const QString &name, KeyRule rule)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setAttribute(Qt::WA_InputMethodEnabled, false);
    install(box, std::move(rule));
    return box;
}

int InputGuard::keyCodeOf(const QKeyEvent *event)
{
    if (event->key() == Qt::Key_Backspace)
        return 8;
    const QString text = event->text();
    if (text.isEmpty())
        return 0;
    if (text.size() > 1)
        return -1;
    return text.at(0).unicode();
}

void InputGuard::refuse()
{
    QApplication::beep();
    emit refused();
}

bool InputGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_box)
        return false;
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto *key = static_cast<QKeyEvent *>(event);
        // Tab moves the focus on; it never reaches the box as a character.
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
            return false;
        if (key->matches(QKeySequence::Paste)) {
            refuse();
            return true;
        }
        // Editing shortcuts that insert nothing keep working.
        if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Cut)
            || key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)
            || key->matches(QKeySequence::SelectAll))
            return false;
        const int code = keyCodeOf(key);
        if (code == 0)
            return false;
        if (code < 0 || !m_rule(m_box, code)) {
            refuse();
            return true;
        }
        return false;
    }
    case QEvent::InputMethod:
        if (!static_cast<QInputMethodEvent *>(event)->commitString().isEmpty())
            refuse();
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::MiddleButton)
            return true;
        if (mouse->button() == Qt::RightButton && event->type() == QEvent::MouseButtonPress) {
            QClipboard *clipboard = QApplication::clipboard();
            clipboard->clear(QClipboard::Clipboard);
            if (clipboard->supportsSelection())
                clipboard->clear(QClipboard::Selection);
        }
        return false;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        event->ignore();
        return true;
    default:
        return false;
    }
}

} // namespace mg
