#include "frmDefaultPass.h"

#include "DialogButtons.h"
#include "PasswordRules.h"
#include "TransferWidgets.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace mg {

frmDefaultPass::frmDefaultPass(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmDefaultPass"));
    setWindowTitle(QStringLiteral("デフォルトパスワードの変更"));
    setModal(true);

    txtNewPass = createPasswordBox(this, QStringLiteral("txtNewPass"), PasswordRules::isNewPasswordCharacter);
    txtConfirm = createPasswordBox(this, QStringLiteral("txtConfirm"), PasswordRules::isNewPasswordCharacter);
    cmdOk = createButton(this, QStringLiteral("cmdOk"), QStringLiteral("OK"));
    cmdNotChange = createButton(this, QStringLiteral("cmdNotChange"), QStringLiteral("変更しない"));
    cmdOk->setEnabled(false);

    auto *fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("新パスワード :"), this), 0, 0);
    fields->addWidget(txtNewPass, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("確認 :"), this), 1, 0);
    fields->addWidget(txtConfirm, 1, 1);

    QHBoxLayout *buttons = buttonRow({cmdOk, cmdNotChange});

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("現在、システム標準のパスワードを使用しています。"), this));
    layout->addWidget(new QLabel(QStringLiteral("パスワードを変更するために新パスワードと確認の"), this));
    layout->addWidget(new QLabel(QStringLiteral("2個所に新しいパスワードを入力してください。"), this));
    layout->addLayout(fields);
    layout->addWidget(new QLabel(QStringLiteral("(注)パスワードは６文字以上にして下さい。"), this));
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(txtNewPass, txtConfirm);
    setTabOrder(txtConfirm, cmdOk);
    setTabOrder(cmdOk, cmdNotChange);

    onEnterAndEscape(txtNewPass, [this] { txtConfirm->setFocus(Qt::TabFocusReason); }, {});
    onEnterAndEscape(txtConfirm, [this] {
        if (cmdOk->isEnabled())
            cmdOk_Click();
    }, {});
    connect(txtNewPass, &QLineEdit::textChanged, this, &frmDefaultPass::updateOk);
    connect(txtConfirm, &QLineEdit::textChanged, this, &frmDefaultPass::updateOk);
    connect(cmdOk, &QPushButton::clicked, this, &frmDefaultPass::cmdOk_Click);
    connect(cmdNotChange, &QPushButton::clicked, this, &frmDefaultPass::cmdNotChange_Click);
}

QString frmDefaultPass::newPassword() const
{
    return txtNewPass->text();
}

void frmDefaultPass::updateOk()
{
    cmdOk->setEnabled(txtNewPass->text() == txtConfirm->text()
                      && txtNewPass->text().size() >= PasswordRules::MinNewPasswordLength);
}

void frmDefaultPass::cmdOk_Click()
{
    m_choice = Choice::NewPassword;
    accept();
}

void frmDefaultPass::cmdNotChange_Click()
{
    m_choice = Choice::KeepFactory;
    accept();
}

} // namespace mg
