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

    // After exec(): NewPassword after OK, KeepFactory after "変更しない";
    // None when the window was closed without either (Escape, its close
    // button), which the transfer takes as keeping the factory password:
    // the configuration is still saved as the boot configuration.
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
