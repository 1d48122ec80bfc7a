#include "DestinationPage.h"

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

namespace {

const QString UnnumberedCaption = QStringLiteral("アンナンバードI/Fを使用");
const QString DynamicCaption = QStringLiteral("動的アドレス割り当てを使用");

} // namespace

DestinationPage::DestinationPage(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("fraConfig(1)"));
    build();
    installInputRules();
    connectFields();
}

void DestinationPage::build()
{
    auto *outer = new QVBoxLayout(this);
    auto *typeRow = new QHBoxLayout;
    labLabel = new QLabel(QStringLiteral("接続形態："), this);
    labLabel->setObjectName(QStringLiteral("labLabel"));
    cboType = makeCombo(this, QStringLiteral("cboType"), {QStringLiteral("LAN型"), QStringLiteral("端末型")});
    typeRow->addWidget(labLabel);
    typeRow->addWidget(cboType);
    typeRow->addStretch(1);
    outer->addLayout(typeRow);

    auto *columns = new QHBoxLayout;
    outer->addLayout(columns, 1);
    auto *left = new QVBoxLayout;
    auto *middle = new QVBoxLayout;
    auto *right = new QVBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(middle, 1);
    columns->addLayout(right, 1);

    // ISDN.
    fraISDN = makeGroup(this, QStringLiteral("fraISDN"), QStringLiteral("ISDNの設定"));
    auto *isdn = makeForm();
    fraISDN->setLayout(isdn);
    labISDNNum = new QLabel(QStringLiteral("接続先ISDN番号："), fraISDN);
    labISDNNum->setObjectName(QStringLiteral("labISDNNum"));
    labALTNum = new QLabel(QStringLiteral("ISDN予備番号："), fraISDN);
    labALTNum->setObjectName(QStringLiteral("labALTNum"));
    txtISDNNum = makeEdit(fraISDN, QStringLiteral("txtISDNNum"), 16);
    txtAltNum = makeEdit(fraISDN, QStringLiteral("txtAltNum"), 16);
    chkCallBack = makeCheck(fraISDN, QStringLiteral("chkCallBack"), QStringLiteral("コールバック"));
    labCbdelay = new QLabel(QStringLiteral("タイマ(0.1秒)："), fraISDN);
    labCbdelay->setObjectName(QStringLiteral("labCbdelay"));
    txtCbdelay = makeEdit(fraISDN, QStringLiteral("txtCbdelay"), 3);
    isdn->addRow(labISDNNum, txtISDNNum);
    isdn->addRow(labALTNum, txtAltNum);
    isdn->addRow(chkCallBack);
    isdn->addRow(labCbdelay, txtCbdelay);
    left->addWidget(fraISDN);

    Frame4 = makeGroup(this, QStringLiteral("Frame4"), QStringLiteral("マルチリンク"));
    auto *f4 = new QVBoxLayout(Frame4);
    cboMP = makeCombo(Frame4, QStringLiteral("cboMP"),
                      {QStringLiteral("使用しない"), QStringLiteral("バンドワイズオンデマンド(BOD)"),
                       QStringLiteral("常時2B使用")});
    cmdBOD = makeButton(Frame4, QStringLiteral("cmdBOD"), QStringLiteral("BODの詳細設定..."));
    f4->addWidget(cboMP, 0, Qt::AlignLeft);
    f4->addWidget(cmdBOD, 0, Qt::AlignLeft);
    left->addWidget(Frame4);
    left->addStretch(1);

    // PPP with the peer's authentication inside.
    Frame3 = makeGroup(this, QStringLiteral("Frame3"), QStringLiteral("PPPの設定"));
    auto *f3 = new QVBoxLayout(Frame3);
    auto *ppp = makeForm();
    txtUsername = makeEdit(Frame3, QStringLiteral("txtUsername"), 16);
    txtUserPass = makeEdit(Frame3, QStringLiteral("txtUserPass"), 16);
    cboComp = makeCombo(Frame3, QStringLiteral("cboComp"),
                        {QStringLiteral("使用しない"), QStringLiteral("STACLZS"), QStringLiteral("Predictor")});
    cboIdleTimer = makeCombo(Frame3, QStringLiteral("cboIdleTimer"), {QStringLiteral("60"), QStringLiteral("OFF")});
    cboIdleTimer->setEditable(true);
    // What the operator types is the value: inline completion would turn
    // a typed "6" into the list's "60".
    cboIdleTimer->setCompleter(nullptr);
    cboIdleTimer->setInsertPolicy(QComboBox::NoInsert);
    cboIdleTimer->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cboIdleTimer->setMinimumContentsLength(9);
    ppp->addRow(QStringLiteral("ユーザ名："), txtUsername);
    ppp->addRow(QStringLiteral("パスワード："), txtUserPass);
    ppp->addRow(QStringLiteral("圧縮方式："), cboComp);
    ppp->addRow(QStringLiteral("アイドルタイマ(秒)："), cboIdleTimer);
    f3->addLayout(ppp);
    chkLQR = makeCheck(Frame3, QStringLiteral("chkLQR"), QStringLiteral("LQRパケットを送信しない"));
    f3->addWidget(chkLQR);
    Frame9 = makeGroup(Frame3, QStringLiteral("Frame9"), QStringLiteral("接続先の認証"));
    auto *f9 = new QVBoxLayout(Frame9);
    chkPPPAuth = makeCheck(Frame9, QStringLiteral("chkPPPAuth"), QStringLiteral("接続相手を認証"));
    f9->addWidget(chkPPPAuth);
    auto *auth = makeForm();
    cboPPPAuth = makeCombo(Frame9, QStringLiteral("cboPPPAuth"),
                           {QStringLiteral("CHAP"), QStringLiteral("PAP"),
                            QStringLiteral("CHAP→PAPの順に試行する")});
    txtAuthUserName = makeEdit(Frame9, QStringLiteral("txtAuthUserName"), 16);
    txtAuthUserPass = makeEdit(Frame9, QStringLiteral("txtAuthUserPass"), 16);
    auth->addRow(QStringLiteral("認証方法："), cboPPPAuth);
    auth->addRow(QStringLiteral("ユーザ名："), txtAuthUserName);
    auth->addRow(QStringLiteral("パスワード："), txtAuthUserPass);
    f9->addLayout(auth);
    f3->addWidget(Frame9);
    middle->addWidget(Frame3);
    middle->addStretch(1);

    // The PPP interface with the routing inside.
    Frame7 = makeGroup(this, QStringLiteral("Frame7"), QStringLiteral("PPPインターフェース"));
    auto *f7 = new QVBoxLayout(Frame7);
    chkPPPDyn = makeCheck(Frame7, QStringLiteral("chkPPPDyn"), UnnumberedCaption);
    f7->addWidget(chkPPPDyn);
    auto *pppIf = makeForm();
    txtPPPIP = makeEdit(Frame7, QStringLiteral("txtPPPIP"));
    txtPPPNetMask = makeEdit(Frame7, QStringLiteral("txtPPPNetMask"));
    pppIf->addRow(QStringLiteral("IPアドレス："), txtPPPIP);
    pppIf->addRow(QStringLiteral("ネットマスク："), txtPPPNetMask);
    f7->addLayout(pppIf);
    chkVJC = makeCheck(Frame7, QStringLiteral("chkVJC"), QStringLiteral("TCPヘッダ圧縮(VJC)を使用"));
    f7->addWidget(chkVJC);
    Frame10 = makeGroup(Frame7, QStringLiteral("Frame10"), QStringLiteral("経路制御"));
    auto *f10 = new QVBoxLayout(Frame10);
    chkDefault = makeCheck(Frame10, QStringLiteral("chkDefault"), QStringLiteral("このPPPI/Fにデフォルトルートを設定"));
    chkRIPPPP = makeCheck(Frame10, QStringLiteral("chkRIPPPP"), QStringLiteral("RIPを使用"));
    chkStaticRoute = makeCheck(Frame10, QStringLiteral("chkStaticRoute"), QStringLiteral("スタティックにルートを設定"));
    f10->addWidget(chkDefault);
    f10->addWidget(chkRIPPPP);
    f10->addWidget(chkStaticRoute);
    auto *route = makeForm();
    txtRouteIP = makeEdit(Frame10, QStringLiteral("txtRouteIP"));
    txtRouteNetMask = makeEdit(Frame10, QStringLiteral("txtRouteNetMask"));
    txtNextHop = makeEdit(Frame10, QStringLiteral("txtNextHop"));
    route->addRow(QStringLiteral("IPアドレス："), txtRouteIP);
    route->addRow(QStringLiteral("ネットマスク："), txtRouteNetMask);
    route->addRow(QStringLiteral("ネクストホップ："), txtNextHop);
    f10->addLayout(route);
    f7->addWidget(Frame10);
    right->addWidget(Frame7);
    right->addStretch(1);
}

QList<QWidget *> DestinationPage::tabOrder() const
{
    return {cboType,        txtISDNNum,    txtAltNum,       chkCallBack,     txtCbdelay,
            txtUsername,    txtUserPass,   cboComp,         cboIdleTimer,    chkLQR,
            chkPPPAuth,     cboPPPAuth,    txtAuthUserName, txtAuthUserPass, chkPPPDyn,
            txtPPPIP,       txtPPPNetMask, chkVJC,          chkDefault,      chkRIPPPP,
            chkStaticRoute, txtRouteIP,    txtRouteNetMask, txtNextHop,      cboMP,
            cmdBOD};
}

void DestinationPage::installInputRules()
{
    using Rule = FieldKeyRule;
    const struct {
        QLineEdit *box;
        Rule rule;
        bool inputMethod;   // these take what an input method commits, through the rule
    } rules[] = {
        {txtPPPIP, Rule::address(), false},         {txtPPPNetMask, Rule::address(), false},
        {txtRouteIP, Rule::address(), false},       {txtRouteNetMask, Rule::address(), false},
        {txtNextHop, Rule::address(), true},        {txtISDNNum, Rule::phone(), false},
        {txtAltNum, Rule::phone(), false},          {txtCbdelay, Rule::digits(true, 3), true},
        {txtUsername, Rule::name(64), false},       {txtUserPass, Rule::name(64), false},
        {txtAuthUserName, Rule::name(64), false},   {txtAuthUserPass, Rule::name(32), false},
    };
    for (const auto &r : rules) {
        const FieldKeyRule rule = r.rule;
        InputGuard::install(r.box, [rule](QLineEdit *box, int code) { return rule.accept(box, code); });
        if (!r.inputMethod)
            r.box->setAttribute(Qt::WA_InputMethodEnabled, false);
    }
    const FieldKeyRule idle = FieldKeyRule::digits(false, 9);
    InputGuard::install(cboIdleTimer, [idle](QLineEdit *box, int code) { return idle.accept(box, code); });
    cboIdleTimer->lineEdit()->setAttribute(Qt::WA_InputMethodEnabled, false);
    cboIdleTimer->setAttribute(Qt::WA_InputMethodEnabled, false);
}

void DestinationPage::connectFields()
{
    // The record is written when the tab is left; every change only counts
    // as one, and what it switches on and off follows from the values.
    for (QLineEdit *box : {txtISDNNum, txtAltNum, txtCbdelay, txtUsername, txtUserPass, txtAuthUserName,
                           txtAuthUserPass, txtPPPIP, txtPPPNetMask, txtRouteIP, txtRouteNetMask, txtNextHop})
        connect(box, &QLineEdit::textChanged, this, &DestinationPage::changed);
    connect(cboIdleTimer, &QComboBox::editTextChanged, this, &DestinationPage::changed);
    for (QComboBox *combo : {cboType, cboMP, cboComp, cboPPPAuth})
        connect(combo, &QComboBox::currentIndexChanged, this, &DestinationPage::changed);
    for (QCheckBox *box : {chkRIPPPP, chkVJC, chkLQR, chkPPPAuth, chkPPPDyn, chkCallBack, chkStaticRoute, chkDefault})
        connect(box, &QCheckBox::toggled, this, &DestinationPage::changed);
}

DestinationPageValues DestinationPage::values() const
{
    DestinationPageValues p;
    p.Type = int16(cboType->currentIndex());
    p.ISDN_Num = txtISDNNum->text();
    p.ISDN_ALTNum = txtAltNum->text();
    p.CallBack = chkCallBack->isChecked();
    p.CBTimerText = txtCbdelay->text();
    p.UserName = txtUsername->text();
    p.UserPass = txtUserPass->text();
    p.Comp = int16(cboComp->currentIndex());
    p.Authentication = chkPPPAuth->isChecked();
    p.AuthName = txtAuthUserName->text();
    p.AuthPass = txtAuthUserPass->text();
    p.PPPAuth = int16(cboPPPAuth->currentIndex());
    p.Idle = cboIdleTimer->currentText();
    p.LQR = chkLQR->isChecked();
    p.PPPDyn = chkPPPDyn->isChecked();
    p.PPPIP = txtPPPIP->text();
    p.PPPMask = txtPPPNetMask->text();
    p.VJC = chkVJC->isChecked();
    p.DefRoute = chkDefault->isChecked();
    p.PPPRIP = chkRIPPPP->isChecked();
    p.StaticRoute = chkStaticRoute->isChecked();
    p.RouteIP = txtRouteIP->text();
    p.RouteNetMask = txtRouteNetMask->text();
    p.RouteNextHop = txtNextHop->text();
    p.MP = int16(cboMP->currentIndex());
    return p;
}

void DestinationPage::setValues(const DestinationPageValues &p)
{
    setListPosition(cboType, p.Type);
    txtISDNNum->setText(p.ISDN_Num);
    txtAltNum->setText(p.ISDN_ALTNum);
    chkCallBack->setChecked(p.CallBack);
    txtCbdelay->setText(p.CBTimerText);
    txtUsername->setText(p.UserName);
    txtUserPass->setText(p.UserPass);
    setListPosition(cboComp, p.Comp);
    chkPPPAuth->setChecked(p.Authentication);
    txtAuthUserName->setText(p.AuthName);
    txtAuthUserPass->setText(p.AuthPass);
    setListPosition(cboPPPAuth, p.PPPAuth);
    chkPPPDyn->setChecked(p.PPPDyn);
    txtPPPIP->setText(p.PPPIP);
    txtPPPNetMask->setText(p.PPPMask);
    chkVJC->setChecked(p.VJC);
    chkDefault->setChecked(p.DefRoute);
    chkRIPPPP->setChecked(p.PPPRIP);
    chkStaticRoute->setChecked(p.StaticRoute);
    txtRouteIP->setText(p.RouteIP);
    txtRouteNetMask->setText(p.RouteNetMask);
    txtNextHop->setText(p.RouteNextHop);
    setListPosition(cboMP, p.MP);
    cboIdleTimer->setEditText(p.Idle);
    chkLQR->setChecked(p.LQR);
}

void DestinationPage::setDefaults()
{
    DestinationPageValues page;
    page.Idle = QStringLiteral("60");
    setValues(page);
}

void DestinationPage::applyEnabling(const DestinationEnabling &on)
{
    for (QWidget *w : {static_cast<QWidget *>(cboType), static_cast<QWidget *>(labLabel),
                       static_cast<QWidget *>(fraISDN), static_cast<QWidget *>(labISDNNum),
                       static_cast<QWidget *>(labALTNum), static_cast<QWidget *>(labCbdelay),
                       static_cast<QWidget *>(chkCallBack), static_cast<QWidget *>(txtISDNNum),
                       static_cast<QWidget *>(cboMP), static_cast<QWidget *>(cboIdleTimer)})
        setFieldEnabled(w, on.dialUpFields);
    setFieldEnabled(txtAltNum, on.altNum);
    setFieldEnabled(txtCbdelay, on.cbdelay);
    setFieldEnabled(chkRIPPPP, on.ripPPP);
    setFieldEnabled(cmdBOD, on.bod);
    setFieldEnabled(cboPPPAuth, on.peerAuthentication);
    setFieldEnabled(txtAuthUserName, on.peerAuthentication);
    setFieldEnabled(txtAuthUserPass, on.peerAuthentication);
    setFieldEnabled(txtPPPIP, on.pppAddress);
    setFieldEnabled(txtPPPNetMask, on.pppAddress);
    setFieldEnabled(chkDefault, on.defaultRoute);
    setFieldEnabled(chkStaticRoute, on.staticRoute);
    setFieldEnabled(txtRouteIP, on.routeAddress);
    setFieldEnabled(txtRouteNetMask, on.routeAddress);
    setFieldEnabled(txtNextHop, on.nextHop);
    chkPPPDyn->setText(on.dynamicCaption ? DynamicCaption : UnnumberedCaption);
}

} // namespace mg
