#pragma once

#include <QObject>
#include <functional>

class QComboBox;
class QEvent;
class QKeyEvent;
class QLineEdit;
class QWidget;

namespace mg {

// Guards a text box whose input is filtered key by key.
//
// Every key that would insert a character is passed to the box's rule as a
// character code (8 for Backspace); a refused key is discarded with a beep.
// Nothing may reach the box past the rule: paste by keyboard is refused,
// drops and middle-button paste are ignored, an input method's commit is
// taken character by character through the rule, and opening the context
// menu (by the right button or the keyboard) empties the clipboard and the
// X11 selection so that the menu has nothing to paste.
class InputGuard : public QObject {
    Q_OBJECT
public:
    // Answers whether the key may be typed into the box as it is now.
    using KeyRule = std::function<bool(QLineEdit *box, int keyCode)>;

    static InputGuard *install(QLineEdit *box, KeyRule rule);
    // For an editable combo box: guards its line edit, whether keys are
    // sent to it or, as the platform sends them, to the focused combo box.
    static InputGuard *install(QComboBox *combo, KeyRule rule);

    // A new guarded box named `name`, with the input method off: what it
    // takes is only ever what the rule lets through.
    static QLineEdit *createBox(QWidget *parent, const QString &name, KeyRule rule);

    // The character code a key event stands for: 8 for Backspace, the
    // character for a key that types exactly one, 0 for keys that type
    // nothing (arrows, Delete, Home, ...), -1 for several characters.
    static int keyCodeOf(const QKeyEvent *event);

signals:
    // Emitted after the beep for every refused key or paste attempt.
    void refused();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    InputGuard(QLineEdit *box, KeyRule rule);
    void refuse();
    void commit(const QString &text);

    QLineEdit *m_box;
    QComboBox *m_combo = nullptr;
    KeyRule m_rule;
};

} // namespace mg
