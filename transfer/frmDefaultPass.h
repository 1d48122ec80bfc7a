#pragma once

#include <QDialog>
#include <optional>

class QLineEdit;
class QPushButton;

namespace mg {

// "デフォルトパスワードの変更": after a login as the manager with the
// factory password, the operator types a new password twice (at least six
// characters) or keeps the factory one.
class frmDefaultPass : public QDialog {
    Q_OBJECT
public:
    explicit frmDefaultPass(QWidget *parent = nullptr);

    // After exec(): the new password after OK, nothing after "変更しない".
    // Closed without either (Escape, the window's close button): the
    // transfer is not to go on, since nothing was chosen.
    enum class Choice { None, NewPassword, KeepFactory };
    Choice choice() const { return m_choice; }
    QString newPassword() const;

    QLineEdit *txtNewPass = nullptr;
    QLineEdit *txtConfirm = nullptr;
    QPushButton *cmdOk = nullptr;
    QPushButton *cmdNotChange = nullptr;

    void cmdOk_Click();
    void cmdNotChange_Click();

private:
    void updateOk();

    Choice m_choice = Choice::None;
};

} // namespace mg
