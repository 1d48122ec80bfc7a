#include "CommonPage.h"

#include "FieldRules.h"
#include "FieldStyle.h"
#include "InputGuard.h"
#include "PageBuilding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace mg {

CommonPage::CommonPage(Configuration &config, QWidget *parent) : QFrame(parent), m_config(config)
{
    setObjectName(QStringLiteral("fraConfig(0)"));
    build();
    installInputRules();
    connectFields();
}

void CommonPage::build()
{
    auto *columns = new QHBoxLayout(this);
    auto *left = new QVBoxLayout;
    auto *middle = new QVBoxLayout;
    auto *right = new QVBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(middle, 1);
    columns->addLayout(right, 1);

    // Line type.
    Frame1 = makeGroup(this, QStringLiteral("Frame1"), QStringLiteral("接続形態"));
    cboConnect = makeCombo(Frame1, QStringLiteral("cboConnect"),
                           {QStringLiteral("ダイヤルアップ接続(ISDN)"), QStringLiteral("64Kbps専用線接続"),
                            QStringLiteral("128Kbps専用線接続")});
    auto *f1 = new QVBoxLayout(Frame1);
    f1->addWidget(cboConnect);
    left->addWidget(Frame1);

    // TCP/IP with the Ethernet side inside.
    Frame5 = makeGroup(this, QStringLiteral("Frame5"), QStringLiteral("TCP/IPの設定"));
    auto *f5 = new QVBoxLayout(Frame5);
    Frame6 = makeGroup(Frame5, QStringLiteral("Frame6"), QStringLiteral("Ethernetインターフェース"));
    auto *f6 = new QVBoxLayout(Frame6);
    auto *f6form = makeForm();
    txtEtherIP = makeEdit(Frame6, QStringLiteral("txtEtherIP"));
    txtEthernetMask = makeEdit(Frame6, QStringLiteral("txtEthernetMask"));
    f6form->addRow(QStringLiteral("IPアドレス："), txtEtherIP);
    f6form->addRow(QStringLiteral("ネットマスク："), txtEthernetMask);
    f6->addLayout(f6form);
    chkRIPEther = makeCheck(Frame6, QStringLiteral("chkRIPEther"), QStringLiteral("RIPを使用"));
    f6->addWidget(chkRIPEther);
    f5->addWidget(Frame6);
    chkFilter = makeCheck(Frame5, QStringLiteral("chkFilter"), QStringLiteral("MS Networksのパケットは通過させない"));
    f5->addWidget(chkFilter);
    cmdRoute = makeButton(Frame5, QStringLiteral("cmdRoute"), QStringLiteral("スタティックルートの設定..."));
    f5->addWidget(cmdRoute, 0, Qt::AlignLeft);
    left->addWidget(Frame5);

    Frame2 = makeGroup(this, QStringLiteral("Frame2"), QStringLiteral("アドレス・ポート変換機能(ENAT)"));
    auto *f2 = new QVBoxLayout(Frame2);
    cmdENAT = makeButton(Frame2, QStringLiteral("cmdENAT"), QStringLiteral("詳細設定..."));
    f2->addWidget(cmdENAT, 0, Qt::AlignLeft);
    left->addWidget(Frame2);

    Frame8 = makeGroup(this, QStringLiteral("Frame8"), QStringLiteral("Syslog サーバの設定"));
    auto *f8 = new QVBoxLayout(Frame8);
    f8->addWidget(new QLabel(QStringLiteral("Syslog サーバのIPアドレス："), Frame8));
    txtSyslog = makeEdit(Frame8, QStringLiteral("txtSyslog"));
    f8->addWidget(txtSyslog, 0, Qt::AlignLeft);
    left->addWidget(Frame8);
    left->addStretch(1);

    // DHCP server.
    Frame12 = makeGroup(this, QStringLiteral("Frame12"), QStringLiteral("DHCPサーバの設定"));
    auto *f12 = new QVBoxLayout(Frame12);
    chkDHCPSrv = makeCheck(Frame12, QStringLiteral("chkDHCPSrv"), QStringLiteral("DHCPサーバ機能を使用"));
    f12->addWidget(chkDHCPSrv);
    auto *leaseForm = makeForm();
    txtLease = makeEdit(Frame12, QStringLiteral("txtLease"), 9);
    leaseForm->addRow(QStringLiteral("使用期限(秒)："), txtLease);
    f12->addLayout(leaseForm);
    Frame17 = makeGroup(Frame12, QStringLiteral("Frame17"), QStringLiteral("DHCPサーバで提供する情報"));
    auto *f17 = makeForm();
    Frame17->setLayout(f17);
    txtDHCPSubnet = makeEdit(Frame17, QStringLiteral("txtDHCPSubnet"));
    txtRouter = makeEdit(Frame17, QStringLiteral("txtRouter"));
    txtDNSServer = makeEdit(Frame17, QStringLiteral("txtDNSServer"));
    f17->addRow(QStringLiteral("ネットマスク："), txtDHCPSubnet);
    f17->addRow(QStringLiteral("デフォルトルート："), txtRouter);
    f17->addRow(QStringLiteral("DNSサーバ："), txtDNSServer);
    f12->addWidget(Frame17);
    Frame18 = makeGroup(Frame12, QStringLiteral("Frame18"), QStringLiteral("DHCPサーバで提供するIPアドレス"));
    auto *f18 = new QVBoxLayout(Frame18);
    txtIP = makeEdit(Frame18, QStringLiteral("txtIP"));
    txtIPNumber = makeEdit(Frame18, QStringLiteral("txtIPNumber"), 3);
    auto *f18form = makeForm();
    f18form->addRow(QStringLiteral("開始IPアドレス："), txtIP);
    f18->addLayout(f18form);
    auto *numberRow = new QHBoxLayout;
    numberRow->addWidget(new QLabel(QStringLiteral("提供するIPアドレス数(個)："), Frame18));
    numberRow->addWidget(txtIPNumber);
    numberRow->addStretch(1);
    f18->addLayout(numberRow);
    f12->addWidget(Frame18);
    middle->addWidget(Frame12);
    middle->addStretch(1);

    // Analog telephone ports.
    Frame13 = makeGroup(this, QStringLiteral("Frame13"), QStringLiteral("アナログポートの設定"));
    auto *f13 = new QVBoxLayout(Frame13);
    chkGrobal = makeCheck(Frame13, QStringLiteral("chkGrobal"), QStringLiteral("グローバル着信あり"));
    f13->addWidget(chkGrobal);
    Frame11 = makeGroup(Frame13, QStringLiteral("Frame11"), QStringLiteral("契約者回線番号"));
    Frame14 = makeGroup(Frame13, QStringLiteral("Frame14"), QStringLiteral("ダイヤルイン番号"));
    txtNumber = makeEdit(Frame11, QStringLiteral("txtNumber"), 8);
    txtDialIn = makeEdit(Frame14, QStringLiteral("txtDialIn"), 8);
    QGroupBox *portFrames[2] = {Frame11, Frame14};
    QLineEdit *numbers[2] = {txtNumber, txtDialIn};
    for (int i = 0; i < 2; ++i) {
        QGroupBox *frame = portFrames[i];
        auto *form = makeForm();
        frame->setLayout(form);
        cboAnalog[i] = makeCombo(frame, QStringLiteral("cboAnalog(%1)").arg(i), {QStringLiteral("0"), QStringLiteral("1")});
        chkAutoHash[i] = makeCheck(frame, QStringLiteral("chkAutoHash(%1)").arg(i), QStringLiteral("オートハッシュ"));
        txtAutoTimer[i] = makeEdit(frame, QStringLiteral("txtAutoTimer(%1)").arg(i), 2);
        form->addRow(numbers[i]);
        form->addRow(QStringLiteral("ポート："), cboAnalog[i]);
        form->addRow(chkAutoHash[i]);
        form->addRow(QStringLiteral("発呼までの時間(s)："), txtAutoTimer[i]);
        f13->addWidget(frame);
    }
    right->addWidget(Frame13);
    right->addStretch(1);
}

QList<QWidget *> CommonPage::tabOrder() const
{
    return {cboConnect,    txtEtherIP,   txtEthernetMask, chkRIPEther,    chkFilter,
            cmdRoute,      cmdENAT,      txtSyslog,       chkDHCPSrv,     txtLease,
            txtDHCPSubnet, txtRouter,    txtDNSServer,    txtIP,          txtIPNumber,
            chkGrobal,     txtNumber,    cboAnalog[0],    chkAutoHash[0], txtAutoTimer[0],
            txtDialIn,     cboAnalog[1], chkAutoHash[1],  txtAutoTimer[1], nullptr};
}

void CommonPage::installInputRules()
{
    using Rule = FieldKeyRule;
    const struct {
        QLineEdit *box;
        Rule rule;
        bool inputMethod;   // the timers take what an input method commits, through the rule
    } rules[] = {
        {txtEtherIP, Rule::address(), false},          {txtEthernetMask, Rule::address(), false},
        {txtSyslog, Rule::address(), false},           {txtIP, Rule::address(), false},
        {txtDHCPSubnet, Rule::address(), false},       {txtRouter, Rule::address(), false},
        {txtDNSServer, Rule::address(), false},        {txtNumber, Rule::phone(6), false},
        {txtDialIn, Rule::phone(6), false},            {txtLease, Rule::digits(true, 9), false},
        {txtAutoTimer[0], Rule::digits(true, 2), true}, {txtAutoTimer[1], Rule::digits(true, 2), true},
        {txtIPNumber, Rule::digits(false, 3), false},
    };
    for (const auto &r : rules) {
        const FieldKeyRule rule = r.rule;
        InputGuard::install(r.box, [rule](QLineEdit *box, int code) { return rule.accept(box, code); });
        if (!r.inputMethod)
            r.box->setAttribute(Qt::WA_InputMethodEnabled, false);
    }
}

void CommonPage::connectFields()
{
    CommonSettings &c = m_config.Common;
    auto onText = [this](QLineEdit *box, auto store) {
        connect(box, &QLineEdit::textChanged, this, [this, store](const QString &text) {
            store(text);
            emit changed();
        });
    };
    auto onCheck = [this](QCheckBox *box, int16 CommonSettings::*field) {
        connect(box, &QCheckBox::toggled, this, [this, field](bool on) {
            m_config.Common.*field = on ? 1 : 0;
            emit changed();
        });
    };

    connect(cboConnect, &QComboBox::currentIndexChanged, this, &CommonPage::connectTypeChosen);
    connect(txtEtherIP, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_config.setEthIP(text);
        emit changed();
        txtRouter->setText(text);
    });
    connect(txtEthernetMask, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_config.setEthMask(text);
        emit changed();
        txtDHCPSubnet->setText(text);
    });
    onCheck(chkRIPEther, &CommonSettings::EthRIP);
    onCheck(chkFilter, &CommonSettings::Filter);
    onText(txtSyslog, [&c](const QString &t) { c.Syslog = t; });
    onCheck(chkDHCPSrv, &CommonSettings::DHCP);
    onText(txtIP, [&c](const QString &t) { c.DHCP_IP = t; });
    onText(txtIPNumber, [&c](const QString &t) { c.DHCP_Num = t; });
    onText(txtDHCPSubnet, [&c](const QString &t) { c.DHCP_Mask = t; });
    onText(txtRouter, [&c](const QString &t) { c.DHCP_Router = t; });
    onText(txtDNSServer, [&c](const QString &t) { c.DHCP_DNS = t; });
    onText(txtLease, [&c](const QString &t) { c.DHCP_Lease = t; });
    onCheck(chkGrobal, &CommonSettings::Grobal);
    onText(txtNumber, [&c](const QString &t) { c.PBX_Number = t; });
    onText(txtDialIn, [&c](const QString &t) { c.PBX_DialIn = t; });
    onText(txtAutoTimer[0], [&c](const QString &t) { c.AutoHashTimer1 = t; });
    onText(txtAutoTimer[1], [&c](const QString &t) { c.AutoHashTimer2 = t; });
    onCheck(chkAutoHash[0], &CommonSettings::AutoHash1);
    onCheck(chkAutoHash[1], &CommonSettings::AutoHash2);
    for (int i = 0; i < 2; ++i)
        connect(cboAnalog[i], &QComboBox::currentIndexChanged, this, [this, i] { cboAnalog_Click(i); });
}

void CommonPage::cboAnalog_Click(int index)
{
    const int position = cboAnalog[index]->currentIndex();
    if (position < 0)
        return;
    m_config.setAnalogPort(index, int16(position));
    emit changed();
    cboAnalog[1 - index]->setCurrentIndex(position == 0 ? 1 : 0);
}

void CommonPage::setValues(const CommonSettings &values)
{
    // A copy: the fields below write into the configuration's own settings,
    // which `values` may be.
    const CommonSettings v = values;
    setListPosition(cboConnect, v.ConnectType);
    txtEtherIP->setText(v.EthIP);
    txtEthernetMask->setText(v.EthMask);
    chkRIPEther->setChecked(v.EthRIP != 0);
    chkFilter->setChecked(v.Filter != 0);
    txtSyslog->setText(v.Syslog);
    chkDHCPSrv->setChecked(v.DHCP != 0);
    txtIP->setText(v.DHCP_IP);
    txtIPNumber->setText(v.DHCP_Num);
    txtDHCPSubnet->setText(v.DHCP_Mask);
    txtRouter->setText(v.DHCP_Router);
    txtDNSServer->setText(v.DHCP_DNS);
    txtLease->setText(v.DHCP_Lease);
    chkGrobal->setChecked(v.Grobal != 0);
    setListPosition(cboAnalog[0], v.ANALOG1);
    txtNumber->setText(v.PBX_Number);
    chkAutoHash[0]->setChecked(v.AutoHash1 != 0);
    txtAutoTimer[0]->setText(v.AutoHashTimer1);
    setListPosition(cboAnalog[1], v.ANALOG2);
    txtDialIn->setText(v.PBX_DialIn);
    chkAutoHash[1]->setChecked(v.AutoHash2 != 0);
    txtAutoTimer[1]->setText(v.AutoHashTimer2);

    // A value the controls cannot show (a list position beyond the list, a
    // check value other than 0 and 1) is kept as they show it, so that what
    // is saved or generated is what the operator sees.
    CommonSettings &c = m_config.Common;
    c.ConnectType = int16(cboConnect->currentIndex());
    c.ANALOG1 = int16(cboAnalog[0]->currentIndex());
    c.ANALOG2 = int16(cboAnalog[1]->currentIndex());
    c.EthRIP = chkRIPEther->isChecked() ? 1 : 0;
    c.Filter = chkFilter->isChecked() ? 1 : 0;
    c.DHCP = chkDHCPSrv->isChecked() ? 1 : 0;
    c.Grobal = chkGrobal->isChecked() ? 1 : 0;
    c.AutoHash1 = chkAutoHash[0]->isChecked() ? 1 : 0;
    c.AutoHash2 = chkAutoHash[1]->isChecked() ? 1 : 0;
}

void CommonPage::applyEnabling(const CommonEnabling &on)
{
    for (QWidget *w : {static_cast<QWidget *>(txtLease), static_cast<QWidget *>(txtDHCPSubnet),
                       static_cast<QWidget *>(txtRouter), static_cast<QWidget *>(txtDNSServer),
                       static_cast<QWidget *>(txtIP), static_cast<QWidget *>(txtIPNumber)})
        setFieldEnabled(w, on.dhcpFields);
    for (QWidget *w : {static_cast<QWidget *>(chkGrobal), static_cast<QWidget *>(txtNumber),
                       static_cast<QWidget *>(txtDialIn)})
        setFieldEnabled(w, on.analogPorts);
    for (int i = 0; i < 2; ++i) {
        setFieldEnabled(cboAnalog[i], on.analogPorts);
        setFieldEnabled(chkAutoHash[i], on.analogPorts);
        setFieldEnabled(txtAutoTimer[i], on.autoTimer[i]);
    }
}

} // namespace mg
