#pragma once

#include "Configuration.h"
#include "EditorChecks.h"
#include "Prompts.h"
#include "SettingsStore.h"

#include <QMainWindow>
#include <QString>
#include <array>
#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QStackedWidget;
class QTabBar;

namespace mg {

// The editor window: every setting of the router as a control, the common
// page and one destination page under a tab strip with one tab per
// destination.
//
// The window owns the one Configuration. The common settings are kept in
// Configuration::Common and mirrored in the controls of the common page in
// both directions; the destinations live in the tables and only the one whose
// tab is selected is in the destination controls (StoreDestination when its
// tab is left, ShowDestination when a tab is entered).
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int TabPositionNone = -1;

    frmMain(MessagePrompt &prompt, FileDialogPrompt &fileDialog, SettingsStore &settings,
            EditorChecks *checks, QWidget *parent = nullptr);
    ~frmMain() override;

    Configuration &configuration() { return m_config; }
    const Configuration &configuration() const { return m_config; }

    // The checks run before a tab is left and before a save; nullptr means
    // every check passes.
    void setChecks(EditorChecks *checks);
    EditorChecks &checks();

    // cmdGen hands the generate command over to whoever owns it.
    void setGenerateHandler(std::function<void()> handler);
    // The three list dialogs; each answers true when it changed the
    // configuration (closed with OK, or list edits kept by キャンセル).
    void setRouteDialog(std::function<bool()> dialog);
    void setEnatDialog(std::function<bool()> dialog);
    void setBodDialog(std::function<bool()> dialog);
    // The transmission method dialog; mnuOptionTrans stays disabled until one is set.
    void setTransmitDialog(std::function<void()> dialog);

    // Destination page <-> DestinationTable record n.
    void StoreDestination(int n);
    void ShowDestination(int n);
    // The values the destination page shows now.
    DestinationPageValues destinationPageValues() const;
    // For a fault found in destination n's record: its tab comes to the
    // front. The tab left is stored (and cleaned up) as after a passed
    // check, without being checked again.
    void bringDestinationForward(int n);
    void MarkChanged();
    // Defaults everywhere; the strip goes back to the common tab and "接続先１".
    void ResetConfiguration();
    // After the Configuration was replaced as a whole (a file was opened):
    // the strip gets TabCount tabs and every control is filled from the model
    // through the ordinary change handling; Saved stays as the model has it.
    void refreshFromConfiguration();

    // Selects tab `tab` (1 = common page) as a click on it would: the tab
    // being left is checked and stored first. Answers whether the strip is on
    // `tab` afterwards.
    bool selectTab(int tab);
    int selectedTab() const;
    QString tabCaption(int tab) const;

    // The tab position of a control in the one tab order of the window
    // (common page 0..24, destination page 25..50, buttons 51..54).
    int tabPosition(const QWidget *control) const;

    // Runs the exit question; answers whether the window may close.
    bool Unload();

    // Menus and buttons.
    void mnuFile_Opening();
    void mnuFileNew_Click();
    void mnuFileOpen_Click();
    void mnuFileWrite_Click();
    void mnuFileExit_Click();
    void mnuConnect_Opening();
    void mnuConnectAdd_Click();
    void mnuConnectDel_Click();
    void mnuOptionTrans_Click();
    void mnuOptionVersionInfo_Click();
    void cmdGen_Click();
    void cmdSave_Click();
    void cmdClear_Click();
    void cmdCancel_Click();
    void cmdRoute_Click();
    void cmdENAT_Click();
    void cmdBOD_Click();

    // Field handlers.
    void cboConnect_Click();
    void cboType_Click();
    void cboMP_Click();
    void cboAnalog_Click(int index);
    void chkDHCPSrv_Click();
    void chkPPPAuth_Click();
    void chkPPPDyn_Click();
    void chkCallBack_Click();
    void chkAutoHash_Click(int index);
    void chkStaticRoute_Click();
    void chkDefault_Click();

    // Menu bar.
    QMenu *mnuFile = nullptr;
    QAction *mnuFileNew = nullptr;
    QAction *mnuFileOpen = nullptr;
    QAction *mnuFileWrite = nullptr;
    QAction *mnuFilePrint = nullptr;
    QAction *mnuFileExit = nullptr;
    QMenu *mnuConnect = nullptr;
    QAction *mnuConnectAdd = nullptr;
    QAction *mnuConnectDel = nullptr;
    QMenu *mnuOption = nullptr;
    QAction *mnuOptionTrans = nullptr;
    QAction *mnuOptionVersionInfo = nullptr;

    QTabBar *tabConfig = nullptr;
    std::array<QFrame *, 2> fraConfig{};

    // Common page.
    QGroupBox *Frame1 = nullptr;
    QComboBox *cboConnect = nullptr;
    QGroupBox *Frame5 = nullptr;
    QGroupBox *Frame6 = nullptr;
    QLineEdit *txtEtherIP = nullptr;
    QLineEdit *txtEthernetMask = nullptr;
    QCheckBox *chkRIPEther = nullptr;
    QCheckBox *chkFilter = nullptr;
    QPushButton *cmdRoute = nullptr;
    QGroupBox *Frame2 = nullptr;
    QPushButton *cmdENAT = nullptr;
    QGroupBox *Frame8 = nullptr;
    QLineEdit *txtSyslog = nullptr;
    QGroupBox *Frame12 = nullptr;
    QCheckBox *chkDHCPSrv = nullptr;
    QLineEdit *txtLease = nullptr;
    QGroupBox *Frame17 = nullptr;
    QLineEdit *txtDHCPSubnet = nullptr;
    QLineEdit *txtRouter = nullptr;
    QLineEdit *txtDNSServer = nullptr;
    QGroupBox *Frame18 = nullptr;
    QLineEdit *txtIP = nullptr;
    QLineEdit *txtIPNumber = nullptr;
    QGroupBox *Frame13 = nullptr;
    QCheckBox *chkGrobal = nullptr;
    QGroupBox *Frame11 = nullptr;
    QLineEdit *txtNumber = nullptr;
    QGroupBox *Frame14 = nullptr;
    QLineEdit *txtDialIn = nullptr;
    std::array<QComboBox *, 2> cboAnalog{};
    std::array<QCheckBox *, 2> chkAutoHash{};
    std::array<QLineEdit *, 2> txtAutoTimer{};

    // Destination page.
    QLabel *labLabel = nullptr;
    QComboBox *cboType = nullptr;
    QGroupBox *fraISDN = nullptr;
    QLabel *labISDNNum = nullptr;
    QLineEdit *txtISDNNum = nullptr;
    QLabel *labALTNum = nullptr;
    QLineEdit *txtAltNum = nullptr;
    QCheckBox *chkCallBack = nullptr;
    QLabel *labCbdelay = nullptr;
    QLineEdit *txtCbdelay = nullptr;
    QGroupBox *Frame3 = nullptr;
    QLineEdit *txtUsername = nullptr;
    QLineEdit *txtUserPass = nullptr;
    QComboBox *cboComp = nullptr;
    QComboBox *cboIdleTimer = nullptr;
    QCheckBox *chkLQR = nullptr;
    QGroupBox *Frame9 = nullptr;
    QCheckBox *chkPPPAuth = nullptr;
    QComboBox *cboPPPAuth = nullptr;
    QLineEdit *txtAuthUserName = nullptr;
    QLineEdit *txtAuthUserPass = nullptr;
    QGroupBox *Frame7 = nullptr;
    QCheckBox *chkPPPDyn = nullptr;
    QLineEdit *txtPPPIP = nullptr;
    QLineEdit *txtPPPNetMask = nullptr;
    QCheckBox *chkVJC = nullptr;
    QGroupBox *Frame10 = nullptr;
    QCheckBox *chkDefault = nullptr;
    QCheckBox *chkRIPPPP = nullptr;
    QCheckBox *chkStaticRoute = nullptr;
    QLineEdit *txtRouteIP = nullptr;
    QLineEdit *txtRouteNetMask = nullptr;
    QLineEdit *txtNextHop = nullptr;
    QGroupBox *Frame4 = nullptr;
    QComboBox *cboMP = nullptr;
    QPushButton *cmdBOD = nullptr;

    // Bottom row.
    QPushButton *cmdGen = nullptr;
    QPushButton *cmdSave = nullptr;
    QPushButton *cmdClear = nullptr;
    QPushButton *cmdCancel = nullptr;

    QStackedWidget *pages = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Initialise();
    void buildMenus();
    void buildCommonPage(QFrame *page);
    void buildDestinationPage(QFrame *page);
    void buildButtons(QWidget *row);
    void buildTabOrder();
    void installInputRules();
    void connectFieldHandlers();
    void Load();

    // The tab strip: BeforeClick may refuse to leave tab k, Click enters tab s.
    void tabConfig_CurrentChanged(int index);
    bool tabConfig_BeforeClick(int leaving);
    void leaveTab(int leaving, bool passed);
    void tabConfig_Click(int entering);
    void setStripIndexQuietly(int tab);
    void removeTabsAbove(int keep);
    void resizeStrip(int tabs);
    void bringPageToFront(int tab);
    void removeLastAutomaticEnat(int destination);
    void renumberInterfacesAfter(int deletedDestination);

    // Field rules without MarkChanged, for values set by the window itself.
    void applyCommonEnabling();
    void applyAnalogEnabling();
    void applyDestinationEnabling();
    void applyConnectionKindToDestinationPage();
    void applyTypeRule();
    void applyMpRule();
    void applyStaticRouteRule();
    void applyDefaultRouteRule();
    void refreshDefaultRouteEnabling();
    void updateConnectMenu();

    void pushCommon(CommonSettings values);
    void pushDestinationDefaults();
    void pushDestinationPage(const DestinationPageValues &page);

    bool saveBeforeDiscarding(const QString &question);
    QString saveConfiguration();
    bool openConfiguration(QString &fileName);
    void showRemainingDestination();
    void runListDialog(const std::function<bool()> &dialog);
    void applyFocusRule(QWidget *control, bool gotFocus);

    MessagePrompt &m_prompt;
    FileDialogPrompt &m_fileDialog;
    SettingsStore &m_settings;
    EditorChecks *m_checks = nullptr;
    std::unique_ptr<EditorChecks> m_passingChecks;
    Configuration m_config;

    std::function<void()> m_generateHandler;
    std::function<bool()> m_routeDialog;
    std::function<bool()> m_enatDialog;
    std::function<bool()> m_bodDialog;
    std::function<void()> m_transmitDialog;

    QList<QWidget *> m_tabOrder;
    int m_stripGuard = 0;
};

} // namespace mg
