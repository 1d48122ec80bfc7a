#include "TransferWidgets.h"

#include "AddressChecks.h"
#include "ControlEscapes.h"
#include "FieldStyle.h"
#include "InputGuard.h"
#include "PasswordRules.h"
#include "Terminal.h"

#include <QApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QScrollBar>

namespace mg {

namespace {

// Passwords show "*" per character whatever the desktop style would use.
class AsteriskStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

class KeyActions : public QObject {
public:
    KeyActions(QLineEdit *box, std::function<void()> enter, std::function<void()> escape)
        : QObject(box), m_enter(std::move(enter)), m_escape(std::move(escape))
    {
        box->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent *>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && m_enter) {
            m_enter();
            return true;
        }
        if (key == Qt::Key_Escape && m_escape) {
            m_escape();
            return true;
        }
        return false;
    }

private:
    std::function<void()> m_enter;
    std::function<void()> m_escape;
};

} // namespace

QPlainTextEdit *createTerminalBox(QWidget *parent, const QString &name)
{
    auto *box = new QPlainTextEdit(parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    box->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    box->setFocusPolicy(Qt::ClickFocus);
    return box;
}

void showTerminal(QPlainTextEdit *box, const TerminalText &terminal)
{
    // Every line end of the terminal is CR LF; the box breaks at LF only.
    // Other control characters the router sent are shown as \xNN, as on
    // the command line: the box would draw some as nothing at all.
    QString shown = terminal.text;
    shown.remove(QLatin1Char('\r'));
    shown = escapeControls(shown);
    if (box->toPlainText() == shown)
        return;
    box->setPlainText(shown);
    box->moveCursor(QTextCursor::End);
    box->verticalScrollBar()->setValue(box->verticalScrollBar()->maximum());
}

QLineEdit *createLoginBox(QWidget *parent, const QString &name, bool (*accepts)(QChar))
{
    QLineEdit *box = InputGuard::createBox(parent, name, [accepts](QLineEdit *b, int code) {
        if (code == BackspaceKey)
            return true;
        // A full box takes nothing more, even where a selection would be
        // replaced: the count is what the router takes.
        return b->text().size() < PasswordRules::MaxLength && code > 0 && code <= 0xFFFF
            && accepts(QChar(char16_t(code)));
    });
    box->setMaxLength(PasswordRules::MaxLength);
    setFieldEnabled(box, true);
    return box;
}

QLineEdit *createPasswordBox(QWidget *parent, const QString &name, bool (*accepts)(QChar))
{
    QLineEdit *box = createLoginBox(parent, name, accepts);
    auto *style = new AsteriskStyle;
    style->setParent(box);
    box->setStyle(style);
    box->setEchoMode(QLineEdit::Password);
    return box;
}

void onEnterAndEscape(QLineEdit *box, std::function<void()> enter, std::function<void()> escape)
{
    // Installed after the box's guard, so it sees the keys first.
    new KeyActions(box, std::move(enter), std::move(escape));
}

void BusyPointer::set(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

} // namespace mg
