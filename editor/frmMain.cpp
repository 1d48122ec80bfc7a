#include "frmMain.h"

#include "ConfigurationFiles.h"
#include "FieldRules.h"
#include "FieldStyle.h"
#include "InputGuard.h"
#include "ScriptGenerator.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>
#include <limits>

namespace mg {

namespace {

const QString AppTitle = QStringLiteral("Quillmark KV700 Marrowgate");
const QString CrLf = QStringLiteral("\r\n");
const QString UnnumberedCaption = QStringLiteral("アンナンバードI/Fを使用");
const QString DynamicCaption = QStringLiteral("動的アドレス割り当てを使用");
const QString AddTitle = QStringLiteral("接続先の追加");
const QString DeleteTitle = QStringLiteral("接続先の削除");

QString destinationCaption(int n)
{
    return QStringLiteral("接続先") + QString::number(n);
}

// The caption of the first destination at start and after a new
// configuration, with the full-width digit.
QString firstDestinationCaption()
{
    return QStringLiteral("接続先１");
}

// Until the real checks are wired, every check passes; the visible
// destination is still stored on the way, so a save never loses it.
class PassingChecks : public EditorChecks {
public:
    explicit PassingChecks(frmMain &window) : m_window(window) {}
    bool TabCheck(int) override { return true; }
    bool CheckConfiguration(int selectedTab) override
    {
        if (selectedTab > 1)
            m_window.StoreDestination(selectedTab - 1);
        return true;
    }

private:
    frmMain &m_window;
};

// Keeps the menu shortcuts of the window working while a text box has the
// focus: a line edit would otherwise claim Ctrl+A for "select all" and the
// destination would never be added.
class MenuShortcutPriority : public QObject {
public:
    MenuShortcutPriority(QObject *parent, QList<QKeySequence> keys)
        : QObject(parent), m_keys(std::move(keys))
    {
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::ShortcutOverride)
            return false;
        auto *key = static_cast<QKeyEvent *>(event);
        const QKeySequence pressed(key->keyCombination());
        for (const QKeySequence &k : m_keys) {
            if (k == pressed) {
                event->ignore();
                return true;
            }
        }
        return false;
    }

private:
    QList<QKeySequence> m_keys;
};

QLineEdit *makeEdit(QWidget *parent, const char *name, int characters = 15)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    const int width = edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * (characters + 2) + 12;
    edit->setMinimumWidth(width);
    return edit;
}

QCheckBox *makeCheck(QWidget *parent, const char *name, const QString &caption)
{
    auto *check = new QCheckBox(caption, parent);
    check->setObjectName(QLatin1String(name));
    return check;
}

QComboBox *makeCombo(QWidget *parent, const char *name, const QStringList &items)
{
    auto *combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->addItems(items);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return combo;
}

QGroupBox *makeGroup(QWidget *parent, const char *name, const QString &title)
{
    auto *group = new QGroupBox(title, parent);
    group->setObjectName(QLatin1String(name));
    return group;
}

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

QFormLayout *makeForm()
{
    auto *form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->setRowWrapPolicy(QFormLayout::DontWrapRows);
    return form;
}

void setChecked(QCheckBox *box, bool checked)
{
    box->setChecked(checked);
}

void setListPosition(QComboBox *combo, int position)
{
    // A value outside the list (a damaged file) shows the first item, and the
    // change handling writes that back, so control and model agree.
    combo->setCurrentIndex(position >= 0 && position < combo->count() ? position : 0);
}

} // namespace

frmMain::frmMain(MessagePrompt &prompt, FileDialogPrompt &fileDialog, SettingsStore &settings,
                 EditorChecks *checks, QWidget *parent)
    : QMainWindow(parent), m_prompt(prompt), m_fileDialog(fileDialog), m_settings(settings),
      m_checks(checks), m_passingChecks(std::make_unique<PassingChecks>(*this)),
      m_config(Configuration::atProgramStart())
{
    Initialise();
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(AppTitle);
    buildMenus();

    auto *central = new QWidget(this);
    auto *outer = new QVBoxLayout(central);
    tabConfig = new QTabBar(central);
    tabConfig->setObjectName(QStringLiteral("tabConfig"));
    tabConfig->setExpanding(false);
    tabConfig->setUsesScrollButtons(true);
    tabConfig->setDrawBase(false);
    tabConfig->addTab(QStringLiteral("共通設定"));
    tabConfig->addTab(firstDestinationCaption());
    outer->addWidget(tabConfig);

    pages = new QStackedWidget(central);
    pages->setObjectName(QStringLiteral("pages"));
    pages->setFrameShape(QFrame::StyledPanel);
    for (int i = 0; i < 2; ++i) {
        fraConfig[i] = new QFrame(pages);
        fraConfig[i]->setObjectName(QStringLiteral("fraConfig(%1)").arg(i));
        pages->addWidget(fraConfig[i]);
    }
    buildCommonPage(fraConfig[0]);
    buildDestinationPage(fraConfig[1]);
    outer->addWidget(pages, 1);

    auto *buttonRow = new QWidget(central);
    buildButtons(buttonRow);
    outer->addWidget(buttonRow);
    setCentralWidget(central);

    buildTabOrder();
    installInputRules();
    connectFieldHandlers();
    Load();
}

frmMain::~frmMain()
{
    // The controls are deleted after the members their handlers use; none
    // of those handlers may run while the controls go.
    const QList<QObject *> children = findChildren<QObject *>();
    for (QObject *child : children) {
        child->disconnect(this);
        child->removeEventFilter(this);
    }
}

void frmMain::setChecks(EditorChecks *checks)
{
    m_checks = checks;
}

EditorChecks &frmMain::checks()
{
    return m_checks ? *m_checks : *m_passingChecks;
}

void frmMain::setGenerateHandler(std::function<void()> handler)
{
    m_generateHandler = std::move(handler);
}

void frmMain::setRouteDialog(std::function<bool()> dialog)
{
    m_routeDialog = std::move(dialog);
}

void frmMain::setEnatDialog(std::function<bool()> dialog)
{
    m_enatDialog = std::move(dialog);
}

void frmMain::setBodDialog(std::function<bool()> dialog)
{
    m_bodDialog = std::move(dialog);
}

void frmMain::setTransmitDialog(std::function<void()> dialog)
{
    m_transmitDialog = std::move(dialog);
    mnuOptionTrans->setEnabled(bool(m_transmitDialog));
}

// ---------------------------------------------------------------- building

void frmMain::Initialise()
{
    m_config.TabCount = 2;
    m_config.DefaultRouteTaken = false;
    m_config.SaveSucceeded = false;
    const QString section = QStringLiteral("InstallDir");
    const QString key = QStringLiteral("Directory");
    if (m_settings.GetSetting(section, key).isEmpty())
        m_settings.SaveSetting(section, key, QDir::currentPath());
}

void frmMain::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("menuBar"));

    mnuFile = bar->addMenu(QStringLiteral("ファイル(&F)"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    auto action = [this](QMenu *menu, const char *name, const QString &caption) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    mnuFileNew = action(mnuFile, "mnuFileNew", QStringLiteral("新しい設定を作成(&N)"));
    mnuFileOpen = action(mnuFile, "mnuFileOpen", QStringLiteral("設定ファイルを開く(&O)"));
    mnuFile->addSeparator();
    mnuFileWrite = action(mnuFile, "mnuFileWrite", QStringLiteral("設定に名前を付けて保存(&W)"));
    mnuFileWrite->setEnabled(false);
    mnuFilePrint = action(mnuFile, "mnuFilePrint", QStringLiteral("印刷(&P)"));
    mnuFilePrint->setEnabled(false);
    mnuFilePrint->setVisible(false);
    mnuFile->addSeparator();
    mnuFileExit = action(mnuFile, "mnuFileExit", QStringLiteral("終了(&E)"));

    mnuConnect = bar->addMenu(QStringLiteral("接続先(&C)"));
    mnuConnect->setObjectName(QStringLiteral("mnuConnect"));
    mnuConnectAdd = action(mnuConnect, "mnuConnectAdd", QStringLiteral("追加"));
    mnuConnectAdd->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    mnuConnectDel = action(mnuConnect, "mnuConnectDel", QStringLiteral("削除"));
    mnuConnectDel->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));

    mnuOption = bar->addMenu(QStringLiteral("オプション(&O)"));
    mnuOption->setObjectName(QStringLiteral("mnuOption"));
    mnuOptionTrans = action(mnuOption, "mnuOptionTrans", QStringLiteral("送信方法"));
    mnuOptionTrans->setEnabled(false);
    mnuOption->addSeparator();
    mnuOptionVersionInfo = action(mnuOption, "mnuOptionVersionInfo", QStringLiteral("バージョン情報"));

    connect(mnuFile, &QMenu::aboutToShow, this, &frmMain::mnuFile_Opening);
    connect(mnuFileNew, &QAction::triggered, this, &frmMain::mnuFileNew_Click);
    connect(mnuFileOpen, &QAction::triggered, this, &frmMain::mnuFileOpen_Click);
    connect(mnuFileWrite, &QAction::triggered, this, &frmMain::mnuFileWrite_Click);
    connect(mnuFileExit, &QAction::triggered, this, &frmMain::mnuFileExit_Click);
    connect(mnuConnect, &QMenu::aboutToShow, this, &frmMain::mnuConnect_Opening);
    connect(mnuConnectAdd, &QAction::triggered, this, &frmMain::mnuConnectAdd_Click);
    connect(mnuConnectDel, &QAction::triggered, this, &frmMain::mnuConnectDel_Click);
    connect(mnuOptionTrans, &QAction::triggered, this, &frmMain::mnuOptionTrans_Click);
    connect(mnuOptionVersionInfo, &QAction::triggered, this, &frmMain::mnuOptionVersionInfo_Click);
}

void frmMain::buildCommonPage(QFrame *page)
{
    auto *columns = new QHBoxLayout(page);
    auto *left = new QVBoxLayout;
    auto *middle = new QVBoxLayout;
    auto *right = new QVBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(middle, 1);
    columns->addLayout(right, 1);

    // Line type.
    Frame1 = makeGroup(page, "Frame1", QStringLiteral("接続形態"));
    cboConnect = makeCombo(Frame1, "cboConnect",
                           {QStringLiteral("ダイヤルアップ接続(ISDN)"), QStringLiteral("64Kbps専用線接続"),
                            QStringLiteral("128Kbps専用線接続")});
    auto *f1 = new QVBoxLayout(Frame1);
    f1->addWidget(cboConnect);
    left->addWidget(Frame1);

    // TCP/IP with the Ethernet side inside.
    Frame5 = makeGroup(page, "Frame5", QStringLiteral("TCP/IPの設定"));
    auto *f5 = new QVBoxLayout(Frame5);
    Frame6 = makeGroup(Frame5, "Frame6", QStringLiteral("Ethernetインターフェース"));
    auto *f6 = new QVBoxLayout(Frame6);
    auto *f6form = makeForm();
    txtEtherIP = makeEdit(Frame6, "txtEtherIP");
    txtEthernetMask = makeEdit(Frame6, "txtEthernetMask");
    f6form->addRow(QStringLiteral("IPアドレス："), txtEtherIP);
    f6form->addRow(QStringLiteral("ネットマスク："), txtEthernetMask);
    f6->addLayout(f6form);
    chkRIPEther = makeCheck(Frame6, "chkRIPEther", QStringLiteral("RIPを使用"));
    f6->addWidget(chkRIPEther);
    f5->addWidget(Frame6);
    chkFilter = makeCheck(Frame5, "chkFilter", QStringLiteral("MS Networksのパケットは通過させない"));
    f5->addWidget(chkFilter);
    cmdRoute = makeButton(Frame5, "cmdRoute", QStringLiteral("スタティックルートの設定..."));
    f5->addWidget(cmdRoute, 0, Qt::AlignLeft);
    left->addWidget(Frame5);

    Frame2 = makeGroup(page, "Frame2", QStringLiteral("アドレス・ポート変換機能(ENAT)"));
    auto *f2 = new QVBoxLayout(Frame2);
    cmdENAT = makeButton(Frame2, "cmdENAT", QStringLiteral("詳細設定..."));
    f2->addWidget(cmdENAT, 0, Qt::AlignLeft);
    left->addWidget(Frame2);

    Frame8 = makeGroup(page, "Frame8", QStringLiteral("Syslog サーバの設定"));
    auto *f8 = new QVBoxLayout(Frame8);
    f8->addWidget(new QLabel(QStringLiteral("Syslog サーバのIPアドレス："), Frame8));
    txtSyslog = makeEdit(Frame8, "txtSyslog");
    f8->addWidget(txtSyslog, 0, Qt::AlignLeft);
    left->addWidget(Frame8);
    left->addStretch(1);

    // DHCP server.
    Frame12 = makeGroup(page, "Frame12", QStringLiteral("DHCPサーバの設定"));
    auto *f12 = new QVBoxLayout(Frame12);
    chkDHCPSrv = makeCheck(Frame12, "chkDHCPSrv", QStringLiteral("DHCPサーバ機能を使用"));
    f12->addWidget(chkDHCPSrv);
    auto *leaseForm = makeForm();
    txtLease = makeEdit(Frame12, "txtLease", 9);
    leaseForm->addRow(QStringLiteral("使用期限(秒)："), txtLease);
    f12->addLayout(leaseForm);
    Frame17 = makeGroup(Frame12, "Frame17", QStringLiteral("DHCPサーバで提供する情報"));
    auto *f17 = makeForm();
    Frame17->setLayout(f17);
    txtDHCPSubnet = makeEdit(Frame17, "txtDHCPSubnet");
    txtRouter = makeEdit(Frame17, "txtRouter");
    txtDNSServer = makeEdit(Frame17, "txtDNSServer");
    f17->addRow(QStringLiteral("ネットマスク："), txtDHCPSubnet);
    f17->addRow(QStringLiteral("デフォルトルート："), txtRouter);
    f17->addRow(QStringLiteral("DNSサーバ："), txtDNSServer);
    f12->addWidget(Frame17);
    Frame18 = makeGroup(Frame12, "Frame18", QStringLiteral("DHCPサーバで提供するIPアドレス"));
    auto *f18 = new QVBoxLayout(Frame18);
    txtIP = makeEdit(Frame18, "txtIP");
    txtIPNumber = makeEdit(Frame18, "txtIPNumber", 3);
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
    Frame13 = makeGroup(page, "Frame13", QStringLiteral("アナログポートの設定"));
    auto *f13 = new QVBoxLayout(Frame13);
    chkGrobal = makeCheck(Frame13, "chkGrobal", QStringLiteral("グローバル着信あり"));
    f13->addWidget(chkGrobal);
    Frame11 = makeGroup(Frame13, "Frame11", QStringLiteral("契約者回線番号"));
    Frame14 = makeGroup(Frame13, "Frame14", QStringLiteral("ダイヤルイン番号"));
    txtNumber = makeEdit(Frame11, "txtNumber", 8);
    txtDialIn = makeEdit(Frame14, "txtDialIn", 8);
    QGroupBox *portFrames[2] = {Frame11, Frame14};
    QLineEdit *numbers[2] = {txtNumber, txtDialIn};
    for (int i = 0; i < 2; ++i) {
        QGroupBox *frame = portFrames[i];
        auto *form = makeForm();
        frame->setLayout(form);
        cboAnalog[i] = makeCombo(frame, "", {QStringLiteral("0"), QStringLiteral("1")});
        cboAnalog[i]->setObjectName(QStringLiteral("cboAnalog(%1)").arg(i));
        chkAutoHash[i] = makeCheck(frame, "", QStringLiteral("オートハッシュ"));
        chkAutoHash[i]->setObjectName(QStringLiteral("chkAutoHash(%1)").arg(i));
        txtAutoTimer[i] = makeEdit(frame, "", 2);
        txtAutoTimer[i]->setObjectName(QStringLiteral("txtAutoTimer(%1)").arg(i));
        form->addRow(numbers[i]);
        form->addRow(QStringLiteral("ポート："), cboAnalog[i]);
        form->addRow(chkAutoHash[i]);
        form->addRow(QStringLiteral("発呼までの時間(s)："), txtAutoTimer[i]);
        f13->addWidget(frame);
    }
    right->addWidget(Frame13);
    right->addStretch(1);
}

void frmMain::buildDestinationPage(QFrame *page)
{
    auto *outer = new QVBoxLayout(page);
    auto *typeRow = new QHBoxLayout;
    labLabel = new QLabel(QStringLiteral("接続形態："), page);
    labLabel->setObjectName(QStringLiteral("labLabel"));
    cboType = makeCombo(page, "cboType", {QStringLiteral("LAN型"), QStringLiteral("端末型")});
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
    fraISDN = makeGroup(page, "fraISDN", QStringLiteral("ISDNの設定"));
    auto *isdn = makeForm();
    fraISDN->setLayout(isdn);
    labISDNNum = new QLabel(QStringLiteral("接続先ISDN番号："), fraISDN);
    labISDNNum->setObjectName(QStringLiteral("labISDNNum"));
    labALTNum = new QLabel(QStringLiteral("ISDN予備番号："), fraISDN);
    labALTNum->setObjectName(QStringLiteral("labALTNum"));
    txtISDNNum = makeEdit(fraISDN, "txtISDNNum", 16);
    txtAltNum = makeEdit(fraISDN, "txtAltNum", 16);
    chkCallBack = makeCheck(fraISDN, "chkCallBack", QStringLiteral("コールバック"));
    labCbdelay = new QLabel(QStringLiteral("タイマ(0.1秒)："), fraISDN);
    labCbdelay->setObjectName(QStringLiteral("labCbdelay"));
    txtCbdelay = makeEdit(fraISDN, "txtCbdelay", 3);
    isdn->addRow(labISDNNum, txtISDNNum);
    isdn->addRow(labALTNum, txtAltNum);
    isdn->addRow(chkCallBack);
    isdn->addRow(labCbdelay, txtCbdelay);
    left->addWidget(fraISDN);

    Frame4 = makeGroup(page, "Frame4", QStringLiteral("マルチリンク"));
    auto *f4 = new QVBoxLayout(Frame4);
    cboMP = makeCombo(Frame4, "cboMP",
                      {QStringLiteral("使用しない"), QStringLiteral("バンドワイズオンデマンド(BOD)"),
                       QStringLiteral("常時2B使用")});
    cmdBOD = makeButton(Frame4, "cmdBOD", QStringLiteral("BODの詳細設定..."));
    f4->addWidget(cboMP, 0, Qt::AlignLeft);
    f4->addWidget(cmdBOD, 0, Qt::AlignLeft);
    left->addWidget(Frame4);
    left->addStretch(1);

    // PPP with the peer's authentication inside.
    Frame3 = makeGroup(page, "Frame3", QStringLiteral("PPPの設定"));
    auto *f3 = new QVBoxLayout(Frame3);
    auto *ppp = makeForm();
    txtUsername = makeEdit(Frame3, "txtUsername", 16);
    txtUserPass = makeEdit(Frame3, "txtUserPass", 16);
    cboComp = makeCombo(Frame3, "cboComp",
                        {QStringLiteral("使用しない"), QStringLiteral("STACLZS"), QStringLiteral("Predictor")});
    cboIdleTimer = makeCombo(Frame3, "cboIdleTimer", {QStringLiteral("60"), QStringLiteral("OFF")});
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
    chkLQR = makeCheck(Frame3, "chkLQR", QStringLiteral("LQRパケットを送信しない"));
    f3->addWidget(chkLQR);
    Frame9 = makeGroup(Frame3, "Frame9", QStringLiteral("接続先の認証"));
    auto *f9 = new QVBoxLayout(Frame9);
    chkPPPAuth = makeCheck(Frame9, "chkPPPAuth", QStringLiteral("接続相手を認証"));
    f9->addWidget(chkPPPAuth);
    auto *auth = makeForm();
    cboPPPAuth = makeCombo(Frame9, "cboPPPAuth",
                           {QStringLiteral("CHAP"), QStringLiteral("PAP"),
                            QStringLiteral("CHAP→PAPの順に試行する")});
    txtAuthUserName = makeEdit(Frame9, "txtAuthUserName", 16);
    txtAuthUserPass = makeEdit(Frame9, "txtAuthUserPass", 16);
    auth->addRow(QStringLiteral("認証方法："), cboPPPAuth);
    auth->addRow(QStringLiteral("ユーザ名："), txtAuthUserName);
    auth->addRow(QStringLiteral("パスワード："), txtAuthUserPass);
    f9->addLayout(auth);
    f3->addWidget(Frame9);
    middle->addWidget(Frame3);
    middle->addStretch(1);

    // The PPP interface with the routing inside.
    Frame7 = makeGroup(page, "Frame7", QStringLiteral("PPPインターフェース"));
    auto *f7 = new QVBoxLayout(Frame7);
    chkPPPDyn = makeCheck(Frame7, "chkPPPDyn", UnnumberedCaption);
    f7->addWidget(chkPPPDyn);
    auto *pppIf = makeForm();
    txtPPPIP = makeEdit(Frame7, "txtPPPIP");
    txtPPPNetMask = makeEdit(Frame7, "txtPPPNetMask");
    pppIf->addRow(QStringLiteral("IPアドレス："), txtPPPIP);
    pppIf->addRow(QStringLiteral("ネットマスク："), txtPPPNetMask);
    f7->addLayout(pppIf);
    chkVJC = makeCheck(Frame7, "chkVJC", QStringLiteral("TCPヘッダ圧縮(VJC)を使用"));
    f7->addWidget(chkVJC);
    Frame10 = makeGroup(Frame7, "Frame10", QStringLiteral("経路制御"));
    auto *f10 = new QVBoxLayout(Frame10);
    chkDefault = makeCheck(Frame10, "chkDefault", QStringLiteral("このPPPI/Fにデフォルトルートを設定"));
    chkRIPPPP = makeCheck(Frame10, "chkRIPPPP", QStringLiteral("RIPを使用"));
    chkStaticRoute = makeCheck(Frame10, "chkStaticRoute", QStringLiteral("スタティックにルートを設定"));
    f10->addWidget(chkDefault);
    f10->addWidget(chkRIPPPP);
    f10->addWidget(chkStaticRoute);
    auto *route = makeForm();
    txtRouteIP = makeEdit(Frame10, "txtRouteIP");
    txtRouteNetMask = makeEdit(Frame10, "txtRouteNetMask");
    txtNextHop = makeEdit(Frame10, "txtNextHop");
    route->addRow(QStringLiteral("IPアドレス："), txtRouteIP);
    route->addRow(QStringLiteral("ネットマスク："), txtRouteNetMask);
    route->addRow(QStringLiteral("ネクストホップ："), txtNextHop);
    f10->addLayout(route);
    f7->addWidget(Frame10);
    right->addWidget(Frame7);
    right->addStretch(1);
}

void frmMain::buildButtons(QWidget *row)
{
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch(1);
    cmdGen = makeButton(row, "cmdGen", QStringLiteral("設定を作成..."));
    cmdSave = makeButton(row, "cmdSave", QStringLiteral("設定を保存"));
    cmdClear = makeButton(row, "cmdClear", QStringLiteral("クリア"));
    cmdCancel = makeButton(row, "cmdCancel", QStringLiteral("終了"));
    for (QPushButton *b : {cmdGen, cmdSave, cmdClear, cmdCancel}) {
        b->setMinimumWidth(110);
        layout->addWidget(b);
    }
}

void frmMain::buildTabOrder()
{
    // One tab order through both pages: the common page at positions
    // 0..24, the destination page at 25..50, the buttons at 51..54.
    m_tabOrder = {cboConnect,   txtEtherIP,  txtEthernetMask, chkRIPEther, chkFilter,
                  cmdRoute,     cmdENAT,     txtSyslog,       chkDHCPSrv,  txtLease,
                  txtDHCPSubnet, txtRouter,  txtDNSServer,    txtIP,       txtIPNumber,
                  chkGrobal,    txtNumber,   cboAnalog[0],    chkAutoHash[0], txtAutoTimer[0],
                  txtDialIn,    cboAnalog[1], chkAutoHash[1], txtAutoTimer[1], nullptr,
                  cboType,      txtISDNNum,  txtAltNum,       chkCallBack, txtCbdelay,
                  txtUsername,  txtUserPass, cboComp,         cboIdleTimer, chkLQR,
                  chkPPPAuth,   cboPPPAuth,  txtAuthUserName, txtAuthUserPass, chkPPPDyn,
                  txtPPPIP,     txtPPPNetMask, chkVJC,        chkDefault,  chkRIPPPP,
                  chkStaticRoute, txtRouteIP, txtRouteNetMask, txtNextHop, cboMP,
                  cmdBOD,       cmdGen,      cmdSave,         cmdClear,    cmdCancel};
    QWidget *previous = tabConfig;
    for (QWidget *w : std::as_const(m_tabOrder)) {
        if (!w)
            continue;
        QWidget::setTabOrder(previous, w);
        previous = w;
    }
    for (QWidget *w : {static_cast<QWidget *>(cboType), static_cast<QWidget *>(cmdGen),
                       static_cast<QWidget *>(cboConnect)})
        w->installEventFilter(this);
}

int frmMain::tabPosition(const QWidget *control) const
{
    for (const QWidget *w = control; w; w = w->parentWidget()) {
        const int index = m_tabOrder.indexOf(const_cast<QWidget *>(w));
        if (index >= 0)
            return index;
        if (w == this)
            break;
    }
    return TabPositionNone;
}

void frmMain::installInputRules()
{
    using Rule = FieldKeyRule;
    const struct {
        QLineEdit *box;
        Rule rule;
    } rules[] = {
        {txtEtherIP, Rule::address()},        {txtEthernetMask, Rule::address()},
        {txtSyslog, Rule::address()},         {txtIP, Rule::address()},
        {txtDHCPSubnet, Rule::address()},     {txtRouter, Rule::address()},
        {txtDNSServer, Rule::address()},      {txtPPPIP, Rule::address()},
        {txtPPPNetMask, Rule::address()},     {txtRouteIP, Rule::address()},
        {txtRouteNetMask, Rule::address()},   {txtNextHop, Rule::address()},
        {txtISDNNum, Rule::phone()},          {txtAltNum, Rule::phone()},
        {txtNumber, Rule::phone(6)},          {txtDialIn, Rule::phone(6)},
        {txtLease, Rule::digits(true, 9)},    {txtCbdelay, Rule::digits(true, 3)},
        {txtAutoTimer[0], Rule::digits(true, 2)}, {txtAutoTimer[1], Rule::digits(true, 2)},
        {txtIPNumber, Rule::digits(false, 3)},
        {txtUsername, Rule::name(64)},        {txtUserPass, Rule::name(64)},
        {txtAuthUserName, Rule::name(64)},    {txtAuthUserPass, Rule::name(32)},
    };
    for (const auto &r : rules) {
        const FieldKeyRule rule = r.rule;
        InputGuard::install(r.box, [rule](QLineEdit *box, int code) { return rule.accept(box, code); });
        if (r.box != txtCbdelay && r.box != txtAutoTimer[0] && r.box != txtAutoTimer[1]
            && r.box != txtNextHop)
            r.box->setAttribute(Qt::WA_InputMethodEnabled, false);
    }
    const FieldKeyRule idle = FieldKeyRule::digits(false, 9);
    InputGuard::install(cboIdleTimer, [idle](QLineEdit *box, int code) { return idle.accept(box, code); });
    cboIdleTimer->lineEdit()->setAttribute(Qt::WA_InputMethodEnabled, false);
    cboIdleTimer->setAttribute(Qt::WA_InputMethodEnabled, false);

    auto *priority = new MenuShortcutPriority(
        this, {mnuConnectAdd->shortcut(), mnuConnectDel->shortcut()});
    // An editable list has the focus itself and answers the override for its
    // line edit.
    cboIdleTimer->installEventFilter(priority);
    for (QLineEdit *edit : findChildren<QLineEdit *>()) {
        edit->installEventFilter(priority);
        // The key rules limit what is typed; a value read from a file must
        // pass through the box whole, or the next store or save would write
        // back a silently shortened value (a box keeps 32767 characters by
        // default).
        edit->setMaxLength(std::numeric_limits<int>::max());
    }
}

void frmMain::connectFieldHandlers()
{
    CommonSettings &c = m_config.Common;
    auto onText = [this](QLineEdit *box, auto store) {
        connect(box, &QLineEdit::textChanged, this, [this, store](const QString &text) {
            store(text);
            MarkChanged();
        });
    };
    auto onCheck = [this](QCheckBox *box, auto handler) {
        connect(box, &QCheckBox::toggled, this, handler);
    };
    auto none = [](const QString &) {};

    // Common page: every change goes into Configuration::Common as well.
    connect(cboConnect, &QComboBox::currentIndexChanged, this, &frmMain::cboConnect_Click);
    connect(txtEtherIP, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_config.setEthIP(text);
        MarkChanged();
        txtRouter->setText(text);
    });
    connect(txtEthernetMask, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_config.setEthMask(text);
        MarkChanged();
        txtDHCPSubnet->setText(text);
    });
    onCheck(chkRIPEther, [this, &c](bool on) { c.EthRIP = on; MarkChanged(); });
    onCheck(chkFilter, [this, &c](bool on) { c.Filter = on; MarkChanged(); });
    onText(txtSyslog, [&c](const QString &t) { c.Syslog = t; });
    onCheck(chkDHCPSrv, [this](bool) { chkDHCPSrv_Click(); });
    onText(txtIP, [&c](const QString &t) { c.DHCP_IP = t; });
    onText(txtIPNumber, [&c](const QString &t) { c.DHCP_Num = t; });
    onText(txtDHCPSubnet, [&c](const QString &t) { c.DHCP_Mask = t; });
    onText(txtRouter, [&c](const QString &t) { c.DHCP_Router = t; });
    onText(txtDNSServer, [&c](const QString &t) { c.DHCP_DNS = t; });
    onText(txtLease, [&c](const QString &t) { c.DHCP_Lease = t; });
    onCheck(chkGrobal, [this, &c](bool on) { c.Grobal = on; MarkChanged(); });
    onText(txtNumber, [&c](const QString &t) { c.PBX_Number = t; });
    onText(txtDialIn, [&c](const QString &t) { c.PBX_DialIn = t; });
    onText(txtAutoTimer[0], [&c](const QString &t) { c.AutoHashTimer1 = t; });
    onText(txtAutoTimer[1], [&c](const QString &t) { c.AutoHashTimer2 = t; });
    for (int i = 0; i < 2; ++i) {
        connect(cboAnalog[i], &QComboBox::currentIndexChanged, this, [this, i] { cboAnalog_Click(i); });
        onCheck(chkAutoHash[i], [this, i](bool) { chkAutoHash_Click(i); });
    }

    // Destination page: the record is written when the tab is left.
    for (QLineEdit *box : {txtISDNNum, txtAltNum, txtCbdelay, txtUsername, txtUserPass,
                           txtAuthUserName, txtAuthUserPass, txtPPPIP, txtPPPNetMask, txtRouteIP,
                           txtRouteNetMask, txtNextHop})
        onText(box, none);
    connect(cboIdleTimer, &QComboBox::editTextChanged, this, [this] { MarkChanged(); });
    connect(cboType, &QComboBox::currentIndexChanged, this, &frmMain::cboType_Click);
    connect(cboMP, &QComboBox::currentIndexChanged, this, &frmMain::cboMP_Click);
    for (QComboBox *combo : {cboComp, cboPPPAuth})
        connect(combo, &QComboBox::currentIndexChanged, this, [this] { MarkChanged(); });
    for (QCheckBox *box : {chkRIPPPP, chkVJC, chkLQR})
        onCheck(box, [this](bool) { MarkChanged(); });
    onCheck(chkPPPAuth, [this](bool) { chkPPPAuth_Click(); });
    onCheck(chkPPPDyn, [this](bool) { chkPPPDyn_Click(); });
    onCheck(chkCallBack, [this](bool) { chkCallBack_Click(); });
    onCheck(chkStaticRoute, [this](bool) { chkStaticRoute_Click(); });
    onCheck(chkDefault, [this](bool) { chkDefault_Click(); });

    connect(tabConfig, &QTabBar::currentChanged, this, &frmMain::tabConfig_CurrentChanged);
    connect(cmdGen, &QPushButton::clicked, this, &frmMain::cmdGen_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmMain::cmdSave_Click);
    connect(cmdClear, &QPushButton::clicked, this, &frmMain::cmdClear_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmMain::cmdCancel_Click);
    connect(cmdRoute, &QPushButton::clicked, this, &frmMain::cmdRoute_Click);
    connect(cmdENAT, &QPushButton::clicked, this, &frmMain::cmdENAT_Click);
    connect(cmdBOD, &QPushButton::clicked, this, &frmMain::cmdBOD_Click);
}

void frmMain::Load()
{
    // Initial values go through the change handling like any other change;
    // the enabling they imply is then made complete, and the window starts
    // unchanged.
    pushCommon(CommonSettings{});
    pushDestinationDefaults();
    applyCommonEnabling();
    applyDestinationEnabling();
    pages->setCurrentIndex(0);
    m_config.CurrentTab = 1;
    m_config.Saved = true;
    setFieldEnabled(cmdSave, false);
    mnuFileWrite->setEnabled(false);
    updateConnectMenu();
    resize(1000, 700);
}

// ------------------------------------------------------- model <-> controls

void frmMain::pushCommon(CommonSettings v)
{
    // In the order of the .rcf keys: the Ethernet address and mask are copied
    // into the DHCP fields on the way, and the DHCP values of `v` come after
    // and win, exactly as when a file is read.
    setListPosition(cboConnect, v.ConnectType);
    txtEtherIP->setText(v.EthIP);
    txtEthernetMask->setText(v.EthMask);
    setChecked(chkRIPEther, v.EthRIP != 0);
    setChecked(chkFilter, v.Filter != 0);
    txtSyslog->setText(v.Syslog);
    setChecked(chkDHCPSrv, v.DHCP != 0);
    txtIP->setText(v.DHCP_IP);
    txtIPNumber->setText(v.DHCP_Num);
    txtDHCPSubnet->setText(v.DHCP_Mask);
    txtRouter->setText(v.DHCP_Router);
    txtDNSServer->setText(v.DHCP_DNS);
    txtLease->setText(v.DHCP_Lease);
    setChecked(chkGrobal, v.Grobal != 0);
    setListPosition(cboAnalog[0], v.ANALOG1);
    txtNumber->setText(v.PBX_Number);
    setChecked(chkAutoHash[0], v.AutoHash1 != 0);
    txtAutoTimer[0]->setText(v.AutoHashTimer1);
    setListPosition(cboAnalog[1], v.ANALOG2);
    txtDialIn->setText(v.PBX_DialIn);
    setChecked(chkAutoHash[1], v.AutoHash2 != 0);
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

void frmMain::pushDestinationDefaults()
{
    DestinationPageValues page;
    page.Idle = QStringLiteral("60");
    pushDestinationPage(page);
}

void frmMain::pushDestinationPage(const DestinationPageValues &p)
{
    setListPosition(cboType, p.Type);
    txtISDNNum->setText(p.ISDN_Num);
    txtAltNum->setText(p.ISDN_ALTNum);
    setChecked(chkCallBack, p.CallBack);
    txtCbdelay->setText(p.CBTimerText);
    txtUsername->setText(p.UserName);
    txtUserPass->setText(p.UserPass);
    setListPosition(cboComp, p.Comp);
    setChecked(chkPPPAuth, p.Authentication);
    txtAuthUserName->setText(p.AuthName);
    txtAuthUserPass->setText(p.AuthPass);
    setListPosition(cboPPPAuth, p.PPPAuth);
    setChecked(chkPPPDyn, p.PPPDyn);
    txtPPPIP->setText(p.PPPIP);
    txtPPPNetMask->setText(p.PPPMask);
    setChecked(chkVJC, p.VJC);
    setChecked(chkDefault, p.DefRoute);
    setChecked(chkRIPPPP, p.PPPRIP);
    setChecked(chkStaticRoute, p.StaticRoute);
    txtRouteIP->setText(p.RouteIP);
    txtRouteNetMask->setText(p.RouteNetMask);
    txtNextHop->setText(p.RouteNextHop);
    setListPosition(cboMP, p.MP);
    cboIdleTimer->setEditText(p.Idle);
    setChecked(chkLQR, p.LQR);
}

DestinationPageValues frmMain::destinationPageValues() const
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

void frmMain::StoreDestination(int n)
{
    if (n < 1 || n > MaxDestinations)
        return;
    storeDestination(m_config, n, destinationPageValues());
}

void frmMain::ShowDestination(int n)
{
    if (n < 1 || n > MaxDestinations)
        return;
    pushDestinationPage(showDestination(m_config, n));
    // The change handling above ran in field order; the enabling now follows
    // the shown values as a whole, so a destination that carries the default
    // route can always give it up, whatever the previous one showed.
    applyDestinationEnabling();
    applyAnalogEnabling();
}

void frmMain::MarkChanged()
{
    m_config.markChanged();
    setFieldEnabled(cmdSave, true);
    mnuFileWrite->setEnabled(true);
}

void frmMain::ResetConfiguration()
{
    removeTabsAbove(2);
    tabConfig->setTabText(1, firstDestinationCaption());
    m_config.reset();
    pushCommon(CommonSettings{});
    pushDestinationDefaults();
    applyCommonEnabling();
    applyDestinationEnabling();
    m_config.Saved = true;
    setFieldEnabled(cmdSave, false);
    updateConnectMenu();
}

void frmMain::refreshFromConfiguration()
{
    const CommonSettings common = m_config.Common;
    const bool saved = m_config.Saved;
    resizeStrip(m_config.TabCount);
    pushDestinationDefaults();
    pushCommon(common);
    applyCommonEnabling();
    m_config.CurrentTab = int16(selectedTab());
    bringPageToFront(m_config.CurrentTab);
    // Reading a file passes every destination through the one set of
    // destination controls, so with the common page in front they hold the
    // last destination read. The checks before generating and saving read
    // those controls; leaving them at their defaults would refuse a valid
    // file.
    if (m_config.CurrentTab > 1)
        ShowDestination(m_config.CurrentTab - 1);
    else
        ShowDestination(m_config.TabCount - 1);
    // Whether the opened values count as a change was decided when they were
    // read; the control handling above only repeated them.
    m_config.Saved = saved;
    setFieldEnabled(cmdSave, !saved);
    mnuFileWrite->setEnabled(true);
    updateConnectMenu();
}

// ------------------------------------------------------------- enabling

void frmMain::applyCommonEnabling()
{
    const bool dhcp = chkDHCPSrv->isChecked();
    for (QWidget *w : {static_cast<QWidget *>(txtLease), static_cast<QWidget *>(txtDHCPSubnet),
                       static_cast<QWidget *>(txtRouter), static_cast<QWidget *>(txtDNSServer),
                       static_cast<QWidget *>(txtIP), static_cast<QWidget *>(txtIPNumber)})
        setFieldEnabled(w, dhcp);
    applyAnalogEnabling();
}

void frmMain::applyAnalogEnabling()
{
    const bool dialUp = cboConnect->currentIndex() == 0;
    for (QWidget *w : {static_cast<QWidget *>(chkGrobal), static_cast<QWidget *>(txtNumber),
                       static_cast<QWidget *>(txtDialIn)})
        setFieldEnabled(w, dialUp);
    for (int i = 0; i < 2; ++i) {
        setFieldEnabled(cboAnalog[i], dialUp);
        setFieldEnabled(chkAutoHash[i], dialUp);
        setFieldEnabled(txtAutoTimer[i], dialUp && chkAutoHash[i]->isChecked());
    }
}

void frmMain::applyConnectionKindToDestinationPage()
{
    const bool dialUp = cboConnect->currentIndex() == 0;
    const bool terminal = cboType->currentIndex() == 1;
    for (QWidget *w : {static_cast<QWidget *>(cboType), static_cast<QWidget *>(labLabel),
                       static_cast<QWidget *>(fraISDN), static_cast<QWidget *>(labISDNNum),
                       static_cast<QWidget *>(labALTNum), static_cast<QWidget *>(labCbdelay),
                       static_cast<QWidget *>(chkCallBack), static_cast<QWidget *>(txtISDNNum),
                       static_cast<QWidget *>(cboMP), static_cast<QWidget *>(cboIdleTimer)})
        setFieldEnabled(w, dialUp);
    setFieldEnabled(txtAltNum, dialUp && terminal);
    setFieldEnabled(txtCbdelay, dialUp && chkCallBack->isChecked());
    setFieldEnabled(chkRIPPPP, !(dialUp && terminal));
    setFieldEnabled(cmdBOD, dialUp && cboMP->currentIndex() == 1);
    chkPPPDyn->setText(dialUp && terminal ? DynamicCaption : UnnumberedCaption);
}

void frmMain::applyDestinationEnabling()
{
    const bool auth = chkPPPAuth->isChecked();
    setFieldEnabled(cboPPPAuth, auth);
    setFieldEnabled(txtAuthUserName, auth);
    setFieldEnabled(txtAuthUserPass, auth);
    const bool dynamic = chkPPPDyn->isChecked();
    setFieldEnabled(txtPPPIP, !dynamic);
    setFieldEnabled(txtPPPNetMask, !dynamic);

    const bool route = chkStaticRoute->isChecked();
    const bool defaultRoute = chkDefault->isChecked();
    setFieldEnabled(txtRouteIP, route && !defaultRoute);
    setFieldEnabled(txtRouteNetMask, route && !defaultRoute);
    setFieldEnabled(txtNextHop, route);
    setFieldEnabled(chkStaticRoute, !defaultRoute);
    if (defaultRoute)
        setFieldEnabled(chkDefault, true);
    else if (route)
        setFieldEnabled(chkDefault, false);
    else
        setFieldEnabled(chkDefault, !m_config.DefaultRouteTaken);

    applyConnectionKindToDestinationPage();
}

void frmMain::applyTypeRule()
{
    const bool terminal = cboConnect->currentIndex() == 0 && cboType->currentIndex() == 1;
    chkPPPDyn->setText(terminal ? DynamicCaption : UnnumberedCaption);
    setFieldEnabled(chkRIPPPP, !terminal);
    setFieldEnabled(txtAltNum, terminal);
}

void frmMain::applyMpRule()
{
    setFieldEnabled(cmdBOD, cboMP->currentIndex() == 1 && cboConnect->currentIndex() == 0);
}

void frmMain::applyStaticRouteRule()
{
    const bool on = chkStaticRoute->isChecked();
    setFieldEnabled(txtRouteIP, on);
    setFieldEnabled(txtRouteNetMask, on);
    setFieldEnabled(txtNextHop, on);
    if (on) {
        setFieldEnabled(chkDefault, false);
        return;
    }
    bool carried = false;
    for (int n = 1; n <= m_config.destinationCount() && n <= MaxDestinations; ++n)
        carried = carried || m_config.destination(n).DefRoute == 1;
    setFieldEnabled(chkDefault, !(m_config.DefaultRouteTaken && carried));
}

void frmMain::applyDefaultRouteRule()
{
    if (chkDefault->isChecked()) {
        setFieldEnabled(chkStaticRoute, false);
        setFieldEnabled(txtRouteIP, false);
        setFieldEnabled(txtRouteNetMask, false);
    } else {
        setFieldEnabled(chkStaticRoute, true);
    }
}

void frmMain::refreshDefaultRouteEnabling()
{
    if (chkDefault->isChecked())
        return;
    if (chkStaticRoute->isChecked())
        setFieldEnabled(chkDefault, false);
    else
        setFieldEnabled(chkDefault, !m_config.DefaultRouteTaken);
}

void frmMain::updateConnectMenu()
{
    const int count = tabConfig->count();
    const int selected = selectedTab();
    mnuConnectDel->setEnabled(!(selected == 1 || (count == 2 && selected == 2)));
    mnuConnectAdd->setEnabled(cboConnect->currentIndex() == 0);
}

// --------------------------------------------------------- field handlers

void frmMain::cboConnect_Click()
{
    const int16 type = int16(cboConnect->currentIndex());
    const bool removing = type != 0 && tabConfig->count() > 2;
    if (removing)
        removeTabsAbove(2);
    m_config.setConnectType(type);
    m_config.TabCount = int16(tabConfig->count());
    if (m_config.CurrentTab > m_config.TabCount) {
        // The destination on screen went with its tab; nothing of it is stored.
        setStripIndexQuietly(1);
        m_config.CurrentTab = 1;
        bringPageToFront(1);
    }
    if (removing && m_config.CurrentTab == 1)
        showRemainingDestination();
    applyAnalogEnabling();
    if (type != 0 && !chkRIPPPP->isEnabled())
        setFieldEnabled(chkRIPPPP, true);
    MarkChanged();
    updateConnectMenu();
}

void frmMain::cboType_Click()
{
    MarkChanged();
    applyTypeRule();
}

void frmMain::cboMP_Click()
{
    MarkChanged();
    applyMpRule();
}

void frmMain::cboAnalog_Click(int index)
{
    const int position = cboAnalog[index]->currentIndex();
    if (position < 0)
        return;
    m_config.setAnalogPort(index, int16(position));
    MarkChanged();
    cboAnalog[1 - index]->setCurrentIndex(position == 0 ? 1 : 0);
}

void frmMain::chkDHCPSrv_Click()
{
    m_config.Common.DHCP = chkDHCPSrv->isChecked() ? 1 : 0;
    MarkChanged();
    applyCommonEnabling();
}

void frmMain::chkPPPAuth_Click()
{
    MarkChanged();
    const bool on = chkPPPAuth->isChecked();
    setFieldEnabled(txtAuthUserName, on);
    setFieldEnabled(txtAuthUserPass, on);
    setFieldEnabled(cboPPPAuth, on);
}

void frmMain::chkPPPDyn_Click()
{
    MarkChanged();
    const bool on = chkPPPDyn->isChecked();
    setFieldEnabled(txtPPPIP, !on);
    setFieldEnabled(txtPPPNetMask, !on);
}

void frmMain::chkCallBack_Click()
{
    MarkChanged();
    setFieldEnabled(txtCbdelay, chkCallBack->isChecked());
}

void frmMain::chkAutoHash_Click(int index)
{
    const int16 value = chkAutoHash[index]->isChecked() ? 1 : 0;
    (index == 0 ? m_config.Common.AutoHash1 : m_config.Common.AutoHash2) = value;
    MarkChanged();
    // A leased line has no analog ports, whichever speed it runs at.
    setFieldEnabled(txtAutoTimer[index], value != 0 && cboConnect->currentIndex() == 0);
}

void frmMain::chkStaticRoute_Click()
{
    MarkChanged();
    applyStaticRouteRule();
}

void frmMain::chkDefault_Click()
{
    MarkChanged();
    applyDefaultRouteRule();
}

// ------------------------------------------------------------- tab strip

int frmMain::selectedTab() const
{
    return tabConfig->currentIndex() + 1;
}

QString frmMain::tabCaption(int tab) const
{
    return tabConfig->tabText(tab - 1);
}

bool frmMain::selectTab(int tab)
{
    if (tab < 1 || tab > tabConfig->count())
        return false;
    tabConfig->setCurrentIndex(tab - 1);
    return selectedTab() == tab;
}

void frmMain::setStripIndexQuietly(int tab)
{
    ++m_stripGuard;
    tabConfig->setCurrentIndex(tab - 1);
    --m_stripGuard;
}

void frmMain::removeTabsAbove(int keep)
{
    ++m_stripGuard;
    while (tabConfig->count() > keep)
        tabConfig->removeTab(tabConfig->count() - 1);
    --m_stripGuard;
}

void frmMain::resizeStrip(int tabs)
{
    tabs = qBound(2, tabs, MaxDestinations + 1);
    removeTabsAbove(tabs);
    ++m_stripGuard;
    while (tabConfig->count() < tabs)
        tabConfig->addTab(destinationCaption(tabConfig->count()));
    --m_stripGuard;
    m_config.TabCount = int16(tabConfig->count());
}

void frmMain::bringPageToFront(int tab)
{
    pages->setCurrentIndex(tab > 1 ? 1 : 0);
}

void frmMain::tabConfig_CurrentChanged(int index)
{
    if (m_stripGuard)
        return;
    const int entering = index + 1;
    const int leaving = m_config.CurrentTab;
    if (entering == leaving)
        return;
    if (!tabConfig_BeforeClick(leaving)) {
        setStripIndexQuietly(leaving);
        return;
    }
    tabConfig_Click(entering);
}

bool frmMain::tabConfig_BeforeClick(int leaving)
{
    const bool passed = checks().TabCheck(leaving);
    leaveTab(leaving, passed);
    return passed;
}

void frmMain::bringDestinationForward(int n)
{
    const int tab = n + 1;
    if (n < 1 || tab > tabConfig->count() || tab == m_config.CurrentTab)
        return;
    leaveTab(m_config.CurrentTab, true);
    setStripIndexQuietly(tab);
    tabConfig_Click(tab);
}

void frmMain::leaveTab(int leaving, bool passed)
{
    const bool wasTerminal = leaving > 1 && m_config.destination(leaving - 1).Type == 1;
    if (passed && leaving > 1)
        StoreDestination(leaving - 1);
    // A terminal-type destination that became LAN-type no longer needs the
    // dynamic ENAT entry a save added for it; this runs even when the check
    // failed. Only that destination and only that entry: a destination that
    // was LAN-type all along, and entries the operator made over its
    // interface, keep their translations.
    if (wasTerminal && cboType->currentIndex() == 0)
        removeLastAutomaticEnat(leaving - 1);
}

void frmMain::tabConfig_Click(int entering)
{
    if (entering == m_config.CurrentTab)
        return;
    m_config.CurrentTab = int16(entering);
    bringPageToFront(entering);
    if (entering > 1)
        ShowDestination(entering - 1);
    applyConnectionKindToDestinationPage();
    setFieldEnabled(txtRouteIP, chkStaticRoute->isChecked() && !chkDefault->isChecked());
    setFieldEnabled(txtRouteNetMask, chkStaticRoute->isChecked() && !chkDefault->isChecked());
    setFieldEnabled(txtNextHop, chkStaticRoute->isChecked());
    refreshDefaultRouteEnabling();
    if (entering == 1)
        cboConnect->setFocus();
    else if (cboConnect->currentIndex() == 0)
        cboType->setFocus();
    else
        txtUsername->setFocus();
    updateConnectMenu();
}

void frmMain::removeLastAutomaticEnat(int destination)
{
    const EnatEntry automatic = m_config.lanEnatEntry(destination);
    for (int i = m_config.EnatCount - 1; i >= 0; --i) {
        const EnatEntry &e = m_config.EnatList[i];
        if (e.NATType == automatic.NATType && e.GlobalInterFace == automatic.GlobalInterFace
            && e.PrivateIP == automatic.PrivateIP && e.PrivateMask == automatic.PrivateMask) {
            m_config.removeEnat(i);
            // The list no longer matches the file; exit must offer to save.
            MarkChanged();
            return;
        }
    }
}

void frmMain::renumberInterfacesAfter(int deleted)
{
    // The destinations after the deleted one move down by one, and so do
    // their interfaces: a route or translation that named "ppp4" for the
    // fifth destination now names "ppp3", the same destination's new name.
    bool routesChanged = false;
    bool enatChanged = false;
    for (int d = deleted + 1; d <= MaxDestinations; ++d) {
        const QString from = pppInterface(d);
        const QString to = pppInterface(d - 1);
        for (int i = 0; i < m_config.RouteCount && i < MaxRoutes; ++i) {
            if (m_config.StaticRouteList[i].Int == from && !m_config.StaticRouteList[i].Int.isEmpty()) {
                m_config.StaticRouteList[i].Int = to;
                routesChanged = true;
            }
        }
        for (int i = 0; i < m_config.EnatCount && i < MaxEnatEntries; ++i) {
            if (m_config.EnatList[i].GlobalInterFace == from) {
                m_config.EnatList[i].GlobalInterFace = to;
                enatChanged = true;
            }
        }
    }
    if (routesChanged)
        m_config.RouteCommands.clear();
    if (enatChanged)
        m_config.EnatCommands.clear();
}

// ------------------------------------------------------------------ menus

void frmMain::mnuFile_Opening()
{
    mnuFileWrite->setEnabled(!m_config.Saved);
}

void frmMain::mnuConnect_Opening()
{
    updateConnectMenu();
}

void frmMain::mnuConnectAdd_Click()
{
    if (tabConfig->count() >= MaxDestinations + 1) {
        m_prompt.critical(QStringLiteral("接続先を32個所以上登録することはできません。"), AddTitle);
        return;
    }
    if (cboConnect->currentIndex() != 0) {
        m_prompt.critical(QStringLiteral("専用線接続の時は、接続先は1個所しか登録できません。"), AddTitle);
        return;
    }
    const int n = tabConfig->count();   // the new destination's number
    ++m_stripGuard;
    tabConfig->addTab(destinationCaption(n));
    --m_stripGuard;
    // The record may hold the thresholds of a destination a leased line
    // removed; a new destination starts from the defaults.
    m_config.clearDestination(n);
    m_config.TabCount = int16(tabConfig->count());
    // A new destination is part of what a save writes.
    MarkChanged();
    updateConnectMenu();
}

void frmMain::mnuConnectDel_Click()
{
    const MessageAnswer answer =
        m_prompt.show(QStringLiteral("現在選択されている接続先の設定を削除してもよろしいですか？"),
                      DeleteTitle, MessageIcon::Information, MessageButtons::OkCancel);
    if (answer != MessageAnswer::Ok)
        return;
    const int k = selectedTab();
    // The last destination stays: a configuration always has one.
    if (k <= 1 || tabConfig->count() <= 2) {
        m_prompt.critical(QStringLiteral("このタブは削除できません"), DeleteTitle);
        return;
    }
    const int deleted = k - 1;
    ++m_stripGuard;
    tabConfig->removeTab(k - 1);
    --m_stripGuard;
    if (m_config.destination(deleted).DefRoute == 1)
        m_config.DefaultRouteTaken = false;
    m_config.TabCount = int16(tabConfig->count());
    for (int t = 2; t <= m_config.TabCount; ++t)
        tabConfig->setTabText(t - 1, destinationCaption(t - 1));

    // The records close the gap first: removing a route asks which
    // destinations still carry the default route.
    const int last = m_config.TabCount - 1;
    for (int i = deleted; i <= last; ++i) {
        m_config.DestinationTable[i] = m_config.DestinationTable[i + 1];
        m_config.BodTable[i] = m_config.BodTable[i + 1];
    }
    // The vacated record belongs to no tab; a destination added later must
    // not inherit the moved destination's thresholds.
    m_config.clearDestination(last + 1);

    m_config.removeEntriesOver(pppInterface(deleted));
    renumberInterfacesAfter(deleted);

    setStripIndexQuietly(1);
    m_config.CurrentTab = 1;
    bringPageToFront(1);
    showRemainingDestination();
    MarkChanged();
    updateConnectMenu();
}

void frmMain::showRemainingDestination()
{
    // The destination controls still hold a destination that is gone, and
    // the checks before generating and saving read them from the common
    // page: a fault of the removed destination would refuse the rest, and
    // its values would hide the faults of those that remain. They hold the
    // last destination instead, as after opening a file.
    ShowDestination(m_config.TabCount - 1);
}

void frmMain::mnuOptionTrans_Click()
{
    if (m_transmitDialog)
        m_transmitDialog();
}

void frmMain::mnuOptionVersionInfo_Click()
{
    const QString text = QStringLiteral("Quillmark KV700/700L") + QLatin1Char('\n')
        + QStringLiteral("Marrowgate Ver 2.0 pl.2") + QLatin1Char('\n')
        + QStringLiteral("Linux 版 (Qt %1)").arg(QLatin1String(qVersion()));
    m_prompt.show(text, QStringLiteral("バージョン情報"), MessageIcon::Information, MessageButtons::Ok);
}

void frmMain::mnuFileNew_Click()
{
    if (!m_config.Saved
        && !saveBeforeDiscarding(QStringLiteral("現在の設定は保存されていません。新規に設定を作成")
                                 + CrLf + QStringLiteral("する前に現在の設定を保存しますか？")))
        return;
    ResetConfiguration();
    m_config.CurrentTab = int16(selectedTab());
    bringPageToFront(m_config.CurrentTab);
    updateConnectMenu();
}

void frmMain::mnuFileOpen_Click()
{
    if (!m_config.Saved
        && !saveBeforeDiscarding(QStringLiteral("現在の設定は保存されていません。ファイルを開く前に")
                                 + CrLf + QStringLiteral("現在の設定を保存しますか？")))
        return;
    QString name;
    if (openConfiguration(name)) {
        m_config.ConfigFileName = name;
        refreshFromConfiguration();
    }
    m_config.CurrentTab = int16(selectedTab());
}

void frmMain::mnuFileWrite_Click()
{
    // The save regenerates the script itself, after the checks have stored
    // the visible destination; generating before the checks would build the
    // script from unchecked values and ask the ENAT question twice.
    cmdSave_Click();
}

void frmMain::mnuFileExit_Click()
{
    close();
}

void frmMain::cmdSave_Click()
{
    if (!checks().CheckConfiguration(selectedTab()))
        return;
    const QString name = saveConfiguration();
    if (!name.isEmpty())
        m_config.ConfigFileName = name;
}

void frmMain::cmdClear_Click()
{
    if (selectedTab() == 1) {
        pushCommon(CommonSettings{});
        cboConnect->setFocus();
        return;
    }
    pushDestinationDefaults();
    if (cboConnect->currentIndex() != 0)
        txtUsername->setFocus();
    else
        cboType->setFocus();
}

void frmMain::cmdCancel_Click()
{
    close();
}

void frmMain::cmdGen_Click()
{
    if (m_generateHandler)
        m_generateHandler();
}

void frmMain::runListDialog(const std::function<bool()> &dialog)
{
    if (!dialog || !dialog())
        return;
    MarkChanged();
    refreshDefaultRouteEnabling();
}

void frmMain::cmdRoute_Click()
{
    runListDialog(m_routeDialog);
}

void frmMain::cmdENAT_Click()
{
    runListDialog(m_enatDialog);
}

void frmMain::cmdBOD_Click()
{
    runListDialog(m_bodDialog);
}

// ---------------------------------------------------------- save and exit

bool frmMain::saveBeforeDiscarding(const QString &question)
{
    const MessageAnswer answer =
        m_prompt.show(question, AppTitle, MessageIcon::Information, MessageButtons::YesNoCancel);
    if (answer == MessageAnswer::Cancel)
        return false;
    if (answer == MessageAnswer::No)
        return true;
    if (!checks().CheckConfiguration(selectedTab()))
        return false;
    const QString name = saveConfiguration();
    if (!name.isEmpty())
        m_config.ConfigFileName = name;
    // The operator asked to keep the work: when the save dialog was cancelled
    // or writing failed, going on would discard it unsaved.
    return m_config.SaveSucceeded;
}

QString frmMain::saveConfiguration()
{
    if (m_config.CurrentTab > 1)
        StoreDestination(m_config.CurrentTab - 1);
    const QString name = SaveConfiguration(m_config, m_fileDialog, m_prompt, m_settings,
                                           [this](Configuration &config) {
                                               return GenerateScript(config, m_prompt);
                                           });
    if (m_config.Saved)
        setFieldEnabled(cmdSave, false);
    return name;
}

bool frmMain::openConfiguration(QString &fileName)
{
    m_config.TabCount = int16(tabConfig->count());
    fileName = OpenConfiguration(m_config, m_fileDialog, m_prompt);
    return !fileName.isEmpty();
}

bool frmMain::Unload()
{
    return m_config.Saved
           || saveBeforeDiscarding(QStringLiteral("現在の設定は保存されていません。終了する前に") + CrLf
                                   + QStringLiteral("現在の設定を保存しますか？"));
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (Unload())
        event->accept();
    else
        event->ignore();
}

// ------------------------------------------------------------ focus rules

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    // Only the Tab key walks the shared order; focus set by the window
    // itself (entering a tab) or by a click goes where it was sent.
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        auto *w = qobject_cast<QWidget *>(watched);
        if (w && (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason))
            applyFocusRule(w, event->type() == QEvent::FocusIn);
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::applyFocusRule(QWidget *control, bool gotFocus)
{
    // The two pages share one tab order; these rules keep the Tab key on the
    // page in front. The move is posted: focus must not change while Qt is
    // still delivering the focus change that triggered it.
    QWidget *target = nullptr;
    const int now = tabPosition(QApplication::focusWidget());
    const bool commonTab = selectedTab() == 1;
    if (control == cboType && gotFocus && commonTab)
        target = cmdGen;
    else if (control == cboType && !gotFocus && now >= 0 && now <= 24)
        target = cmdCancel;
    else if (control == cmdGen && !gotFocus && now >= 25 && now <= 50 && commonTab)
        target = cboConnect;
    else if (control == cboConnect && gotFocus && !commonTab)
        target = cboConnect->currentIndex() == 0 ? static_cast<QWidget *>(cboType) : txtUsername;
    if (target)
        QTimer::singleShot(0, target, [target] { target->setFocus(Qt::TabFocusReason); });
}

} // namespace mg
