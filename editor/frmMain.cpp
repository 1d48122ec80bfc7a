#include "frmMain.h"

#include "CommonPage.h"
#include "ConfigurationFiles.h"
#include "DestinationPage.h"
#include "FieldEnabling.h"
#include "FieldStyle.h"
#include "PageBuilding.h"
#include "ScriptGenerator.h"
#include "UnplacedLinesDialog.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
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
    commonPage = new CommonPage(m_config, pages);
    destinationPage = new DestinationPage(pages);
    fraConfig = {commonPage, destinationPage};
    pages->addWidget(commonPage);
    pages->addWidget(destinationPage);
    outer->addWidget(pages, 1);

    auto *buttonRow = new QWidget(central);
    buildButtons(buttonRow);
    outer->addWidget(buttonRow);
    setCentralWidget(central);

    buildTabOrder();
    connectCommands();
    Load();
}

frmMain::~frmMain()
{
    // The controls are deleted after the members their handlers use (the
    // common page writes into the configuration); none of those handlers may
    // run while the controls go.
    const QList<QObject *> children = findChildren<QObject *>();
    for (QObject *child : children) {
        child->disconnect(this);
        child->disconnect(commonPage);
        child->disconnect(destinationPage);
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
    m_tabOrder = commonPage->tabOrder() + destinationPage->tabOrder()
                 + QList<QWidget *>{cmdGen, cmdSave, cmdClear, cmdCancel};
    QWidget *previous = tabConfig;
    for (QWidget *w : std::as_const(m_tabOrder)) {
        if (!w)
            continue;
        QWidget::setTabOrder(previous, w);
        previous = w;
    }
    for (QWidget *w : {static_cast<QWidget *>(destinationPage->cboType), static_cast<QWidget *>(cmdGen),
                       static_cast<QWidget *>(commonPage->cboConnect)})
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

void frmMain::connectCommands()
{
    auto *priority = new MenuShortcutPriority(this, {mnuConnectAdd->shortcut(), mnuConnectDel->shortcut()});
    // An editable list has the focus itself and answers the override for its
    // line edit.
    destinationPage->cboIdleTimer->installEventFilter(priority);
    for (QLineEdit *edit : findChildren<QLineEdit *>()) {
        edit->installEventFilter(priority);
        // The key rules limit what is typed; a value read from a file must
        // pass through the box whole, or the next store or save would write
        // back a silently shortened value (a box keeps 32767 characters by
        // default).
        edit->setMaxLength(std::numeric_limits<int>::max());
    }

    connect(commonPage, &CommonPage::changed, this, &frmMain::fieldChanged);
    connect(commonPage, &CommonPage::connectTypeChosen, this, &frmMain::cboConnect_Click);
    connect(destinationPage, &DestinationPage::changed, this, &frmMain::fieldChanged);
    connect(tabConfig, &QTabBar::currentChanged, this, &frmMain::tabConfig_CurrentChanged);
    connect(cmdGen, &QPushButton::clicked, this, &frmMain::cmdGen_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmMain::cmdSave_Click);
    connect(cmdClear, &QPushButton::clicked, this, &frmMain::cmdClear_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmMain::cmdCancel_Click);
    connect(commonPage->cmdRoute, &QPushButton::clicked, this, &frmMain::cmdRoute_Click);
    connect(commonPage->cmdENAT, &QPushButton::clicked, this, &frmMain::cmdENAT_Click);
    connect(destinationPage->cmdBOD, &QPushButton::clicked, this, &frmMain::cmdBOD_Click);
}

void frmMain::Load()
{
    // Initial values go through the change handling like any other change;
    // the window then starts unchanged.
    commonPage->setValues(CommonSettings{});
    destinationPage->setDefaults();
    applyEnabling();
    pages->setCurrentIndex(0);
    m_config.CurrentTab = 1;
    m_config.Saved = true;
    setFieldEnabled(cmdSave, false);
    mnuFileWrite->setEnabled(false);
    updateConnectMenu();
    resize(1000, 700);
}

// ------------------------------------------------------- model <-> controls

DestinationPageValues frmMain::destinationPageValues() const
{
    return destinationPage->values();
}

void frmMain::StoreDestination(int n)
{
    if (n < 1 || n > MaxDestinations)
        return;
    storeDestination(m_config, n, destinationPage->values());
}

void frmMain::ShowDestination(int n)
{
    if (n < 1 || n > MaxDestinations)
        return;
    m_pageDestination = n;
    destinationPage->setValues(showDestination(m_config, n));
    applyEnabling();
}

void frmMain::fieldChanged()
{
    MarkChanged();
    applyEnabling();
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
    m_pageDestination = 1;
    commonPage->setValues(CommonSettings{});
    destinationPage->setDefaults();
    applyEnabling();
    m_config.Saved = true;
    setFieldEnabled(cmdSave, false);
    updateConnectMenu();
}

void frmMain::refreshFromConfiguration()
{
    const CommonSettings common = m_config.Common;
    const bool saved = m_config.Saved;
    resizeStrip(m_config.TabCount);
    destinationPage->setDefaults();
    commonPage->setValues(common);
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

void frmMain::applyEnabling()
{
    commonPage->applyEnabling(commonEnabling(m_config.Common));
    // The destination on the page may give up its own default route even
    // before its record says so; another destination's holds it off.
    const bool carriedHere = m_pageDestination >= 1 && m_pageDestination <= MaxDestinations
                             && m_config.destination(m_pageDestination).DefRoute == 1;
    destinationPage->applyEnabling(destinationEnabling(destinationPage->values(), !m_config.Common.isLeasedLine(),
                                                       m_config.DefaultRouteTaken && !carriedHere));
}

void frmMain::updateConnectMenu()
{
    const int count = tabConfig->count();
    const int selected = selectedTab();
    mnuConnectDel->setEnabled(!(selected == 1 || (count == 2 && selected == 2)));
    mnuConnectAdd->setEnabled(commonPage->cboConnect->currentIndex() == 0);
}

// --------------------------------------------------------- the line type

void frmMain::cboConnect_Click()
{
    const int16 type = int16(commonPage->cboConnect->currentIndex());
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
    MarkChanged();
    applyEnabling();
    updateConnectMenu();
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
    // The list then no longer matches the file; exit must offer to save.
    if (wasTerminal && destinationPage->cboType->currentIndex() == 0
        && m_config.removeAutomaticEnatEntry(leaving - 1))
        MarkChanged();
}

void frmMain::tabConfig_Click(int entering)
{
    if (entering == m_config.CurrentTab)
        return;
    m_config.CurrentTab = int16(entering);
    bringPageToFront(entering);
    if (entering > 1)
        ShowDestination(entering - 1);
    applyEnabling();
    if (entering == 1)
        commonPage->cboConnect->setFocus();
    else if (commonPage->cboConnect->currentIndex() == 0)
        destinationPage->cboType->setFocus();
    else
        destinationPage->txtUsername->setFocus();
    updateConnectMenu();
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
    if (commonPage->cboConnect->currentIndex() != 0) {
        m_prompt.critical(QStringLiteral("専用線接続の時は、接続先は1個所しか登録できません。"), AddTitle);
        return;
    }
    m_config.TabCount = int16(tabConfig->count());
    const int n = m_config.addDestination();
    if (n == 0)
        return;
    ++m_stripGuard;
    tabConfig->addTab(destinationCaption(n));
    --m_stripGuard;
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
    ++m_stripGuard;
    tabConfig->removeTab(k - 1);
    --m_stripGuard;
    m_config.removeDestination(k - 1);
    for (int t = 2; t <= m_config.TabCount; ++t)
        tabConfig->setTabText(t - 1, destinationCaption(t - 1));

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
    m_openedScript.reset();
    if (openConfiguration(name)) {
        // A script read without its .rcf keeps the script's name, so that
        // saving offers to write the pair back where the script is.
        m_config.ConfigFileName = name;
        refreshFromConfiguration();
        if (m_openedScript)
            ShowUnplacedLines(*m_openedScript, this);
    }
    m_openedScript.reset();
    m_config.CurrentTab = int16(selectedTab());
}

bool frmMain::readScriptFile(const QString &path, Configuration &config)
{
    const QString title = QStringLiteral("エラー");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_prompt.critical(QStringLiteral("コマンドスクリプト「%1」を読めません。").arg(path) + CrLf + file.errorString(),
                          title);
        return false;
    }
    // One byte past the limit tells a file that is too large from one at it.
    const QByteArray bytes = file.read(MaxScriptSize + 1);
    if (file.error() != QFileDevice::NoError) {
        m_prompt.critical(QStringLiteral("コマンドスクリプト「%1」を読めません。").arg(path) + CrLf + file.errorString(),
                          title);
        return false;
    }
    if (bytes.size() > MaxScriptSize) {
        m_prompt.critical(QStringLiteral("コマンドスクリプト「%1」は大きすぎます (%2 バイトまでです)。")
                              .arg(path)
                              .arg(MaxScriptSize),
                          title);
        return false;
    }
    const ScriptReadResult read = readScriptBytes(bytes);
    config = read.config;
    config.Saved = false;
    m_openedScript = read.unplaced;
    return true;
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
        commonPage->setValues(CommonSettings{});
        commonPage->cboConnect->setFocus();
        return;
    }
    destinationPage->setDefaults();
    if (commonPage->cboConnect->currentIndex() != 0)
        destinationPage->txtUsername->setFocus();
    else
        destinationPage->cboType->setFocus();
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
    applyEnabling();
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
    fileName = OpenConfiguration(m_config, m_fileDialog, m_prompt, [this](const QString &path, Configuration &config) {
        return readScriptFile(path, config);
    });
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
    QComboBox *cboType = destinationPage->cboType;
    QComboBox *cboConnect = commonPage->cboConnect;
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
        target = cboConnect->currentIndex() == 0 ? static_cast<QWidget *>(cboType) : destinationPage->txtUsername;
    if (target)
        QTimer::singleShot(0, target, [target] { target->setFocus(Qt::TabFocusReason); });
}

} // namespace mg
