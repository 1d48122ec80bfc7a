#include "frmTelnetSetting.h"

#include "DialogButtons.h"
#include "AddressChecks.h"
#include "FieldStyle.h"
#include "InputGuard.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace mg {

namespace {
const QString Caption = QStringLiteral("IP アドレス");
} // namespace

frmTelnetSetting::frmTelnetSetting(const SettingsStore &settings, MessagePrompt &prompt, QWidget *parent)
    : QDialog(parent), m_settings(settings), m_prompt(prompt)
{
    setObjectName(QStringLiteral("frmTelnetSetting"));
    setWindowTitle(Caption);
    setModal(true);
    buildControls();
    Form_Load();
}

void frmTelnetSetting::buildControls()
{
    Label1 = new QLabel(QStringLiteral("この PC の IP アドレスを入力して下さい。"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(QStringLiteral("IP アドレス："), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    txtIP = InputGuard::createBox(this, QStringLiteral("txtIP"),
                                  [](QLineEdit *box, int key) { return FilterAddressKey(box->text(), key); });
    // Room for the longest address the filter lets through.
    txtIP->setMinimumWidth(txtIP->fontMetrics().horizontalAdvance(QStringLiteral("255.255.255.255")) + 24);
    setFieldEnabled(txtIP, true);
    Label2->setBuddy(txtIP);

    // Enter in the box is a refused key like any other that is not part of
    // an address; only the button itself accepts.
    cmdOK = createButton(this, QStringLiteral("cmdOK"), QStringLiteral("OK"));
    cmdCancel = createButton(this, QStringLiteral("cmdCancel"), QStringLiteral("キャンセル"));

    auto *addressRow = new QHBoxLayout;
    addressRow->addWidget(Label2);
    addressRow->addWidget(txtIP, 1);

    QHBoxLayout *buttons = buttonRow({cmdOK, cmdCancel});

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(addressRow);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(txtIP, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void frmTelnetSetting::Form_Load()
{
    txtIP->setText(m_settings.GetSetting(QStringLiteral("LocalPC"), QStringLiteral("IPAddr"), QString()));
}

void frmTelnetSetting::cmdOK_Click()
{
    const QString text = txtIP->text();
    if (IsDottedQuad(text)) {
        m_address = text;
        accept();
        return;
    }
    m_prompt.critical(QStringLiteral("IP アドレスの形式が不正です。"), Caption);
    txtIP->setFocus(Qt::OtherFocusReason);
    txtIP->selectAll();
}

void frmTelnetSetting::cmdCancel_Click()
{
    reject();
}

} // namespace mg
