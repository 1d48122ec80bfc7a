#include "ConfigurationValidator.h"

#include "CommonPage.h"
#include "Configuration.h"
#include "DestinationPage.h"
#include "frmMain.h"

#include <QComboBox>
#include <QLineEdit>

namespace mg {

ConfigurationValidator::ConfigurationValidator(frmMain &window, MessagePrompt &prompt)
    : m_window(window), m_prompt(prompt)
{
}

ShownPage ConfigurationValidator::shownPage() const
{
    const Configuration &config = m_window.configuration();
    const int tab = config.CurrentTab;
    const bool destinationTab = tab >= 2 && tab <= config.TabCount && tab <= MaxDestinations + 1;
    return {m_window.destinationPageValues(), destinationTab ? tab - 1 : 0};
}

bool ConfigurationValidator::CheckConfiguration(int selectedTab)
{
    const int tabCount = qMin<int>(m_window.configuration().TabCount, MaxDestinations + 1);
    for (int t = 1; t <= tabCount; ++t) {
        if (t == 1) {
            if (!report(checkEthernetGiven(m_window.configuration().Common)) || !TabCheck(1))
                return false;
            continue;
        }
        if (t == selectedTab)
            m_window.StoreDestination(t - 1);
        if (!report(checkDestination(m_window.configuration(), t - 1, shownPage())))
            return false;
    }
    return true;
}

bool ConfigurationValidator::TabCheck(int tab)
{
    if (tab == 1)
        return report(checkCommonPage(m_window.configuration().Common));
    if (tab >= 2 && tab <= MaxDestinations + 1)
        return report(checkDestinationPage(m_window.configuration(), tab - 1, shownPage()));
    return true; // no such page: nothing shown, nothing to refuse
}

bool ConfigurationValidator::report(const std::optional<CheckFailure> &failure)
{
    if (!failure)
        return true;
    if (failure->destination > 0)
        m_window.bringDestinationForward(failure->destination);
    m_prompt.critical(failure->text, failure->title);
    QWidget *field = control(failure->field);
    if (!field || !moveFocus(field) || !failure->format)
        return false;
    // Selected after the focus: a line edit drops its selection on focus out,
    // and the operator's next key replaces the whole faulty text.
    if (auto *line = qobject_cast<QLineEdit *>(field))
        line->selectAll();
    else if (auto *combo = qobject_cast<QComboBox *>(field); combo && combo->lineEdit())
        combo->lineEdit()->selectAll();
    return false;
}

bool ConfigurationValidator::moveFocus(QWidget *field)
{
    // From the common tab the walk also reports faults of the destination
    // page, which is then hidden. Qt would still hand the focus to the hidden
    // control and the operator's next keys would silently edit a field they
    // cannot see, so the focus stays where it is.
    if (!field->isVisible() || !field->isEnabled())
        return false;
    field->setFocus(Qt::OtherFocusReason);
    return true;
}

QWidget *ConfigurationValidator::control(CheckField field) const
{
    const CommonPage &c = *m_window.commonPage;
    const DestinationPage &d = *m_window.destinationPage;
    switch (field) {
    case CheckField::None: return nullptr;
    case CheckField::EtherIP: return c.txtEtherIP;
    case CheckField::EthernetMask: return c.txtEthernetMask;
    case CheckField::Syslog: return c.txtSyslog;
    case CheckField::DhcpStart: return c.txtIP;
    case CheckField::DhcpSubnet: return c.txtDHCPSubnet;
    case CheckField::DhcpRouter: return c.txtRouter;
    case CheckField::DnsServer: return c.txtDNSServer;
    case CheckField::Lease: return c.txtLease;
    case CheckField::AddressCount: return c.txtIPNumber;
    case CheckField::SubscriberNumber: return c.txtNumber;
    case CheckField::DialInNumber: return c.txtDialIn;
    case CheckField::AutoTimer0: return c.txtAutoTimer[0];
    case CheckField::AutoTimer1: return c.txtAutoTimer[1];
    case CheckField::IsdnNumber: return d.txtISDNNum;
    case CheckField::AltNumber: return d.txtAltNum;
    case CheckField::CallbackTimer: return d.txtCbdelay;
    case CheckField::UserName: return d.txtUsername;
    case CheckField::UserPass: return d.txtUserPass;
    case CheckField::AuthUserName: return d.txtAuthUserName;
    case CheckField::AuthUserPass: return d.txtAuthUserPass;
    case CheckField::PppAddress: return d.txtPPPIP;
    case CheckField::PppMask: return d.txtPPPNetMask;
    case CheckField::RouteAddress: return d.txtRouteIP;
    case CheckField::RouteMask: return d.txtRouteNetMask;
    case CheckField::NextHop: return d.txtNextHop;
    case CheckField::IdleTimer: return d.cboIdleTimer;
    }
    return nullptr;
}

} // namespace mg
