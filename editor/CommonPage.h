#pragma once

#include "Configuration.h"
#include "FieldEnabling.h"

#include <QFrame>
#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace mg {

// The common page of the main window ("fraConfig(0)"): the settings of the
// whole router. Its controls mirror the configuration's common settings,
// which they edit as the operator types, with the copies between fields that
// go with them (the Ethernet address and mask into the DHCP defaults, each
// analog port into the other's opposite choice). Choosing the line type
// changes the tabs, which are the window's: the page only reports it.
class CommonPage : public QFrame {
    Q_OBJECT
public:
    CommonPage(Configuration &config, QWidget *parent);

    // Shows `values` through the ordinary change handling, in the order of
    // the .rcf keys: the Ethernet address and mask are copied into the DHCP
    // fields on the way and the DHCP values of `values` come after and win,
    // as when a file is read.
    void setValues(const CommonSettings &values);
    void applyEnabling(const CommonEnabling &enabling);

    // The page's part of the window's tab order, positions 0 to 24 (the
    // last one has no control).
    QList<QWidget *> tabOrder() const;

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

signals:
    // Any field changed, whether typed or set by code.
    void changed();
    // cboConnect took another line type.
    void connectTypeChosen();

private:
    void build();
    void installInputRules();
    void connectFields();
    void cboAnalog_Click(int index);

    Configuration &m_config;
};

} // namespace mg
