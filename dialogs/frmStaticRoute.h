#pragma once

#include "Configuration.h"
#include "Prompts.h"
#include "RouteListEditor.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;

// "LAN側のスタティックルートの設定": the static routes that belong to no
// destination tab, shown together with the routes the tabs make, so the
// operator sees every route the script will carry.
//
// Additions, edits and deletions act on the configuration at once. OK
// rebuilds the route lines and marks the configuration changed; キャンセル
// keeps the list as it stands but drops the kept route lines, so the next
// script is built from the list as it is now.
class frmStaticRoute : public QDialog {
    Q_OBJECT
public:
    frmStaticRoute(mg::Configuration &config, mg::MessagePrompt &prompt, QWidget *parent = nullptr);

    void reject() override;

    // Whether the list or the default-route flag differs from what the
    // dialog was opened with. キャンセル keeps such changes, so the window
    // must count them as unsaved work whichever button closed the dialog.
    bool listChanged() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void Form_Load();
    void fillList();
    int selectedRow() const;
    void clearInputs();
    void focusInput(QLineEdit *box);
    bool checkAddress(QLineEdit *box, const QString &fieldName);
    void showInterface(const QString &name);

    void cmdAdd_Click();
    void cmdEdit_Click();
    void cmdDelete_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void lvwRouteInfo_GotFocus();
    void lvwRouteInfo_Click();
    void input_GotFocus();

    mg::Configuration &m_config;
    mg::MessagePrompt &m_prompt;
    const decltype(mg::Configuration::StaticRouteList) m_listBefore;
    const mg::int16 m_countBefore;
    const bool m_defaultRouteBefore;
    mg::RouteListEditor m_routes;

    // The edit in progress: EditIndex is the 1-based row being edited,
    // -1 when there is none.
    bool Editing = false;
    int EditIndex = -1;
    // An interface of a deleted destination, shown only while a route that
    // still names it is being edited.
    QString m_extraInterface;

    QLineEdit *txtEthernetIP = nullptr;
    QLineEdit *txtEthernetMask = nullptr;
    QComboBox *cboIF = nullptr;
    QLineEdit *txtNextHop = nullptr;
    QPushButton *cmdAdd = nullptr;
    QPushButton *cmdEdit = nullptr;
    QPushButton *cmdDelete = nullptr;
    QTreeWidget *lvwRouteInfo = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
};
