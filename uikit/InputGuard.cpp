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
    auto *guard = new InputGuard(combo->lineEdit(), std::move(rule));
    // The line edit of an editable combo box never holds the focus itself:
    // typed keys and input-method text go to the combo box, which hands them
    // to the line edit directly, past the line edit's event filters.
    guard->m_combo = combo;
    combo->installEventFilter(guard);
    return guard;
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

namespace {
// The context menu's paste then finds nothing, however the menu was opened.
void emptyClipboard()
{
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->clear(QClipboard::Clipboard);
    if (clipboard->supportsSelection())
        clipboard->clear(QClipboard::Selection);
}
} // namespace

void InputGuard::commit(const QString &text)
{
    // Each committed character passes the rule as if it had been typed, so
    // an input method can neither slip text past it nor lose what it allows.
    for (const QChar c : text) {
        if (!m_rule(m_box, c.unicode())) {
            refuse();
            return;
        }
        m_box->insert(QString(c));
    }
}

bool InputGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_box && (watched != m_combo || !m_combo))
        return false;
    // Pointer, drag and menu events reach the line edit itself.
    if (watched == m_combo && event->type() != QEvent::KeyPress && event->type() != QEvent::InputMethod)
        return false;
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto *key = static_cast<QKeyEvent *>(event);
        // Tab moves the focus on and Escape closes a dialog; neither reaches
        // the box as a character.
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab || key->key() == Qt::Key_Escape)
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
        commit(static_cast<QInputMethodEvent *>(event)->commitString());
        return true;
    case QEvent::ContextMenu:
        // Opened by the right button or from the keyboard alike.
        emptyClipboard();
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::MiddleButton)
            return true;
        if (mouse->button() == Qt::RightButton && event->type() == QEvent::MouseButtonPress)
            emptyClipboard();
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
