#include "frmTelnet.h"

#include "DialogButtons.h"
#include "AddressChecks.h"
#include "FieldStyle.h"
#include "InputGuard.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHostAddress>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace mg {

namespace {
const QString Caption = QStringLiteral("KV700 の IP アドレス");
const QString AddressTitle = QStringLiteral("ルータのIPアドレス");
} // namespace

frmTelnet::frmTelnet(const QString &ethernetAddress, MessagePrompt &prompt, QWidget *parent)
    : QDialog(parent), m_prompt(prompt)
{
    setObjectName(QStringLiteral("frmTelnet"));
    setWindowTitle(Caption);
    setModal(true);
    buildControls();
    Form_Load(ethernetAddress);
}

std::optional<QString> frmTelnet::ask(const QString &ethernetAddress, MessagePrompt &prompt, QWidget *parent)
{
    frmTelnet dialog(ethernetAddress, prompt, parent);
    dialog.exec();
    return dialog.routerAddress();
}

void frmTelnet::buildControls()
{
    const auto label = [this](const char *name, const QString &text) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    Label1 = label("Label1", QStringLiteral("ルータを遠隔操作モードで起動した場合は、IPアドレスに"));
    Label2 = label("Label2", QStringLiteral("192.168.42.2を指定して下さい。それ以外の場合は現在の"));
    Label3 = label("Label3", QStringLiteral("ルータの IP アドレスを指定して下さい。"));
    Label4 = label("Label4", QStringLiteral("IP アドレス："));

    cboRouterIP = new QComboBox(this);
    cboRouterIP->setObjectName(QStringLiteral("cboRouterIP"));
    cboRouterIP->setEditable(true);
    // What the operator types is exactly the keys the filter let through:
    // no completion from the list, and Enter never adds a list entry.
    cboRouterIP->setCompleter(nullptr);
    cboRouterIP->setInsertPolicy(QComboBox::NoInsert);
    cboRouterIP->setAttribute(Qt::WA_InputMethodEnabled, false);
    cboRouterIP->lineEdit()->setAttribute(Qt::WA_InputMethodEnabled, false);
    cboRouterIP->setMinimumContentsLength(15); // "255.255.255.255"
    cboRouterIP->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    InputGuard::install(cboRouterIP, [](QLineEdit *box, int key) { return FilterAddressKey(box->text(), key); });
    // Installed after the guard, so Enter is seen here first, whether the
    // key goes to the combo box or to its line edit.
    cboRouterIP->installEventFilter(this);
    cboRouterIP->lineEdit()->installEventFilter(this);
    setFieldEnabled(cboRouterIP, true);
    Label4->setBuddy(cboRouterIP);

    cmdOK = createButton(this, QStringLiteral("cmdOK"), QStringLiteral("OK"));
    cmdCancel = createButton(this, QStringLiteral("cmdCancel"), QStringLiteral("キャンセル"));

    auto *addressRow = new QHBoxLayout;
    addressRow->addWidget(Label4);
    addressRow->addWidget(cboRouterIP, 1);

    QHBoxLayout *buttons = buttonRow({cmdOK, cmdCancel});

    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(2);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addWidget(Label3);
    layout->addSpacing(8);
    layout->addLayout(addressRow);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(cboRouterIP, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void frmTelnet::Form_Load(const QString &ethernetAddress)
{
    cboRouterIP->addItems({QStringLiteral("192.168.42.2"), QStringLiteral("192.168.44.2")});
    cboRouterIP->setCurrentIndex(0);
    // A configuration that reached the transfer has its Ethernet address;
    // an empty one would only be an empty line in the list.
    if (!ethernetAddress.isEmpty())
        cboRouterIP->addItem(ethernetAddress);
}

bool frmTelnet::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == cboRouterIP || watched == cboRouterIP->lineEdit()) && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && cmdOK->isEnabled()) {
            cmdOK->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmTelnet::cmdOK_Click()
{
    const QString text = cboRouterIP->currentText();
    if (text.isEmpty()) {
        m_prompt.critical(QStringLiteral("ルータのIPアドレスは省略できません。"), AddressTitle);
        cboRouterIP->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (const std::optional<quint32> address = readDottedQuad(text)) {
        // Without the leading zeros the operator may have typed: the
        // transfer compares it with the remote-operation address and puts
        // it in its messages, and no later parse can read "010" as octal.
        m_routerAddress = QHostAddress(*address).toString();
        accept();
        return;
    }
    m_prompt.critical(QStringLiteral("IP アドレスの形式が不正です。"), AddressTitle);
    cboRouterIP->setFocus(Qt::OtherFocusReason);
    cboRouterIP->lineEdit()->selectAll();
}

void frmTelnet::cmdCancel_Click()
{
    reject();
}

} // namespace mg
