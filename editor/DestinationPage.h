#pragma once

#include "Configuration.h"
#include "FieldEnabling.h"

#include <QFrame>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace mg {

// The destination page of the main window ("fraConfig(1)"): one set of
// controls for the destination whose tab is selected. It keeps no record of
// its own: the window shows a record's values on it and takes the values
// back into the record (the model's showDestination and storeDestination).
class DestinationPage : public QFrame {
    Q_OBJECT
public:
    explicit DestinationPage(QWidget *parent);

    // What the controls show now, as the operator left them.
    DestinationPageValues values() const;
    // Fills the controls through the ordinary change handling.
    void setValues(const DestinationPageValues &values);
    // The values of a destination nobody filled in ("クリア", a new configuration).
    void setDefaults();
    void applyEnabling(const DestinationEnabling &enabling);

    // The page's part of the window's tab order, positions 25 to 50.
    QList<QWidget *> tabOrder() const;

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

signals:
    // Any field changed, whether typed or set by code.
    void changed();

private:
    void build();
    void installInputRules();
    void connectFields();
};

} // namespace mg
