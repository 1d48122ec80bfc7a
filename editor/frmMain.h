#pragma once

#include "Configuration.h"
#include "EditorChecks.h"
#include "Prompts.h"
#include "ScriptReader.h"
#include "SettingsStore.h"

#include <QMainWindow>
#include <QString>
#include <array>
#include <functional>
#include <memory>

class QAction;
class QFrame;
class QMenu;
class QPushButton;
class QStackedWidget;
class QTabBar;

namespace mg {

class CommonPage;
class DestinationPage;

// The editor window: the menus, a tab strip with the common tab and one tab
// per destination over two pages, and the buttons below.
//
// The window owns the one Configuration. The common page mirrors its common
// settings; the destinations live in the tables and only the one whose tab
// is selected is on the destination page (stored when its tab is left,
// shown when a tab is entered). The window runs the tab strip, the menus
// and the commands; what a field lets through, what it switches on and off
// and how the tables change live in the pages and the model.
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
    void cboConnect_Click();

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
    QStackedWidget *pages = nullptr;
    // fraConfig(0) and fraConfig(1).
    CommonPage *commonPage = nullptr;
    DestinationPage *destinationPage = nullptr;
    std::array<QFrame *, 2> fraConfig{};

    // Bottom row.
    QPushButton *cmdGen = nullptr;
    QPushButton *cmdSave = nullptr;
    QPushButton *cmdClear = nullptr;
    QPushButton *cmdCancel = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Initialise();
    void buildMenus();
    void buildButtons(QWidget *row);
    void buildTabOrder();
    void connectCommands();
    void Load();

    // The tab strip: BeforeClick may refuse to leave tab k, Click enters tab s.
    void tabConfig_CurrentChanged(int index);
    bool tabConfig_BeforeClick(int leaving);
    void tabConfig_Click(int entering);
    void leaveTab(int leaving, bool passed);
    void setStripIndexQuietly(int tab);
    void removeTabsAbove(int keep);
    void resizeStrip(int tabs);
    void bringPageToFront(int tab);

    // A field changed on either page.
    void fieldChanged();
    // What the operator may use, from the values: the one place that enables
    // and disables the fields of both pages.
    void applyEnabling();
    void updateConnectMenu();

    bool saveBeforeDiscarding(const QString &question);
    QString saveConfiguration();
    bool openConfiguration(QString &fileName);
    // Reads a lone script into `config` when its .rcf is missing.
    bool readScriptFile(const QString &path, Configuration &config);
    void showRemainingDestination();
    void runListDialog(const std::function<bool()> &dialog);
    void applyFocusRule(QWidget *control, bool gotFocus);

    // Lines of the script just opened that were not placed, to show once
    // the form holds the rest.
    std::optional<QList<UnplacedLine>> m_openedScript;
    MessagePrompt &m_prompt;
    FileDialogPrompt &m_fileDialog;
    SettingsStore &m_settings;
    EditorChecks *m_checks = nullptr;
    std::unique_ptr<EditorChecks> m_passingChecks;
    Configuration m_config;
    // The destination whose values the destination page holds, also while
    // the common page is in front.
    int m_pageDestination = 1;

    std::function<void()> m_generateHandler;
    std::function<bool()> m_routeDialog;
    std::function<bool()> m_enatDialog;
    std::function<bool()> m_bodDialog;
    std::function<void()> m_transmitDialog;

    QList<QWidget *> m_tabOrder;
    int m_stripGuard = 0;
};

} // namespace mg
