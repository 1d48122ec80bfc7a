#include "ConfigurationValidator.h"

#include "AddressChecks.h"
#include "Configuration.h"
#include "NumericText.h"
#include "frmMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace mg {

namespace {

const QString ErrorTitle = QStringLiteral("エラー");
const QString AnalogTitle = QStringLiteral("アナログポートの設定");
const QString RouteTitle = QStringLiteral("経路制御");
const QString NoAddress = QStringLiteral("0.0.0.0");
const QString Broadcast = QStringLiteral("255.255.255.255");
const QString CrLf = QStringLiteral("\r\n");

QString textOf(const QComboBox *box) { return box->currentText(); }

// Numbers are compared in full width: a long run of digits must stay large
// instead of wrapping into the allowed range.
qint64 numberOf(const QString &text) { return leadingNumber(text); }

bool isChecked(const QCheckBox *box) { return box->isChecked(); }

bool isZeroOrBroadcast(const QString &text) { return text == NoAddress || text == Broadcast; }

// Empty once the hyphens are gone: a telephone number without a digit.
bool onlyHyphens(const QString &number) { return StripHyphens(number).isEmpty(); }

} // namespace

ConfigurationValidator::ConfigurationValidator(frmMain &window, MessagePrompt &prompt)
    : m_window(window), m_prompt(prompt)
{
}

bool ConfigurationValidator::fail(QWidget *focus, const QString &text, const QString &title)
{
    m_prompt.critical(text, title);
    if (focus)
        moveFocus(focus);
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

bool ConfigurationValidator::failFormat(QWidget *field, const QString &fieldName)
{
    const FormatErrorMessage message = ReportFormatError(fieldName);
    m_prompt.critical(message.text, message.title);
    if (!moveFocus(field))
        return false;
    // Selected after the focus: a line edit drops its selection on focus out,
    // and the operator's next key replaces the whole faulty text.
    if (auto *line = qobject_cast<QLineEdit *>(field))
        line->selectAll();
    else if (auto *combo = qobject_cast<QComboBox *>(field); combo && combo->lineEdit())
        combo->lineEdit()->selectAll();
    return false;
}

bool ConfigurationValidator::isDialUp() const
{
    return m_window.cboConnect->currentIndex() == 0;
}

int ConfigurationValidator::shownDestination() const
{
    const Configuration &config = m_window.configuration();
    const int tab = config.CurrentTab;
    if (tab < 2 || tab > config.TabCount || tab > MaxDestinations + 1)
        return 0;
    return tab - 1;
}

bool ConfigurationValidator::CheckConfiguration(int selectedTab)
{
    frmMain &w = m_window;
    const int tabCount = qMin<int>(w.configuration().TabCount, MaxDestinations + 1);

    for (int t = 1; t <= tabCount; ++t) {
        if (t == 1) {
            if (w.txtEtherIP->text().isEmpty() || w.txtEthernetMask->text().isEmpty())
                return fail(w.txtEtherIP,
                            QStringLiteral("EthernetインターフェースのIPアドレス、")
                                + QStringLiteral("または、ネットマスクが入力されていません。"),
                            ErrorTitle);
            if (!TabCheck(1))
                return false;
            continue;
        }

        const int r = t - 1;
        if (t == selectedTab)
            w.StoreDestination(r);
        // Read after storing: the record of the selected tab is now the page.
        const Destination &record = w.configuration().destination(r);
        // The destination on screen is read from its page (an empty callback
        // timer is seen there, not only its stored 0), every other one from
        // its record. A fault of another one is shown on its own page.
        const bool onScreen = r == shownDestination();
        const DestinationPageValues values =
            onScreen ? w.destinationPageValues() : showDestination(w.configuration(), r);
        auto failHere = [&](QWidget *focus, const QString &text) {
            if (!onScreen)
                w.bringDestinationForward(r);
            return fail(focus, text, ErrorTitle);
        };

        if (isDialUp() && record.ISDN_Num.isEmpty())
            return fail(w.txtISDNNum, QStringLiteral("ダイアルアップ接続の時は、ISDN番号は省略できません。"),
                        ErrorTitle);

        if (values.CallBack) {
            const QString &delay = values.CBTimerText;
            if (delay.isEmpty() || numberOf(delay) < 0 || numberOf(delay) > 100)
                return failHere(w.txtCbdelay, QStringLiteral("コールバックタイマの値が正しくありません。"));
        }

        if (record.PPPDyn == 0) {
            if (record.PPPIP.isEmpty() || record.PPPMask.isEmpty())
                return fail(w.txtPPPIP,
                            QStringLiteral("PPPインターフェースのIPアドレス、")
                                + QStringLiteral("または、ネットマスクが入力されていません。"),
                            ErrorTitle);
            if (!TabCheck(t))
                return false;
        }

        if (record.StaticRoute == 1) {
            if (record.RouteIP.isEmpty() || !IsDottedQuad(record.RouteIP))
                return failFormat(w.txtRouteIP, QStringLiteral("接続先のネットワークIPアドレス"));
            if (record.RouteNetMask.isEmpty() || !IsDottedQuad(record.RouteNetMask))
                return failFormat(w.txtRouteNetMask, QStringLiteral("接続先のネットマスク"));
            if (record.RouteNextHop.isEmpty() || !IsDottedQuad(record.RouteNextHop))
                return failFormat(w.txtNextHop, QStringLiteral("ネクストホップ"));
        }

        const bool userFilled = !values.UserName.isEmpty();
        if (!userFilled || values.UserPass.isEmpty())
            return failHere(userFilled ? static_cast<QWidget *>(w.txtUserPass) : w.txtUsername,
                            QStringLiteral("認証用のユーザ名、パスワードのどちらかが未入力です。"));

        if (values.Authentication) {
            if (values.AuthName.isEmpty() || values.AuthPass.isEmpty())
                return failHere(w.txtAuthUserName, QStringLiteral("接続相手を認証する場合、接続相手のユーザ名、") + CrLf
                                                       + QStringLiteral("パスワードは省略できません。"));
        } else if (numberOf(values.Idle) < 0) {
            if (!onScreen)
                w.bringDestinationForward(r);
            return failFormat(w.cboIdleTimer, QStringLiteral("アイドルタイマ"));
        }
    }
    return true;
}

bool ConfigurationValidator::TabCheck(int tab)
{
    if (tab == 1)
        return checkCommonPage();
    if (tab >= 2 && tab <= MaxDestinations + 1)
        return checkDestinationPage(tab);
    return true; // no such page: nothing shown, nothing to refuse
}

bool ConfigurationValidator::checkCommonPage()
{
    frmMain &w = m_window;
    const bool dialUp = isDialUp();
    const bool dhcp = isChecked(w.chkDHCPSrv);

    const QString etherIP = w.txtEtherIP->text();
    if (isZeroOrBroadcast(etherIP) || !IsDottedQuad(etherIP))
        return failFormat(w.txtEtherIP, QStringLiteral("Ethernet インターフェースのIPアドレス"));

    const QString etherMask = w.txtEthernetMask->text();
    if (etherMask == NoAddress || !IsDottedQuad(etherMask))
        return failFormat(w.txtEthernetMask, QStringLiteral("Ethernet インタフェースのネットマスク"));

    const QString syslog = w.txtSyslog->text();
    if (!syslog.isEmpty() && (!IsDottedQuad(syslog) || isZeroOrBroadcast(syslog)))
        return failFormat(w.txtSyslog, QStringLiteral("シスログ・サーバのIPアドレス"));

    const QString startIP = w.txtIP->text();
    if (isZeroOrBroadcast(startIP) || (dhcp && !IsDottedQuad(startIP)))
        return failFormat(w.txtIP, QStringLiteral("DHCPサーバの開始IPアドレス"));

    const QString subnet = w.txtDHCPSubnet->text();
    if (subnet == NoAddress || (dhcp && !IsDottedQuad(subnet)))
        return failFormat(w.txtDHCPSubnet, QStringLiteral("DHCPサーバで提供するネットマスク"));

    if (dhcp && !IsDottedQuad(w.txtRouter->text()))
        return failFormat(w.txtRouter, QStringLiteral("DHCPサーバで提供するデフォルトルート"));

    const QString dns = w.txtDNSServer->text();
    if ((dhcp && !dns.isEmpty() && !IsDottedQuad(dns)) || isZeroOrBroadcast(dns))
        return failFormat(w.txtDNSServer, QStringLiteral("DHCPサーバで提供するDNSサーバ"));

    const QString lease = w.txtLease->text();
    if (dhcp && (!IsSingleByteText(lease) || numberOf(lease) < 3600 || numberOf(lease) >= 1000000000))
        return failFormat(w.txtLease, QStringLiteral("使用期限"));

    const QString count = w.txtIPNumber->text();
    if (dhcp && (count.isEmpty() || !IsSingleByteText(count) || numberOf(count) < 1 || numberOf(count) > 255))
        return failFormat(w.txtIPNumber, QStringLiteral("提供するIPアドレス数"));

    const QString number = w.txtNumber->text();
    const QString dialIn = w.txtDialIn->text();
    if (dialUp && !number.isEmpty() && (onlyHyphens(number) || !IsSingleByteText(number)))
        return fail(w.txtNumber, QStringLiteral("契約者番号の形式が不正です。"), AnalogTitle);
    if (dialUp && !dialIn.isEmpty() && (onlyHyphens(dialIn) || !IsSingleByteText(dialIn)))
        return fail(w.txtDialIn, QStringLiteral("ダイヤルイン番号の形式が不正です。"), AnalogTitle);

    if ((dialUp && !number.isEmpty() && dialIn.isEmpty()) || (!dialIn.isEmpty() && number.isEmpty())) {
        if (number.isEmpty())
            return fail(w.txtNumber, QStringLiteral("契約者番号が入力されていません。"), AnalogTitle);
        return fail(w.txtDialIn, QStringLiteral("ダイヤルイン番号が入力されていません。"), AnalogTitle);
    }

    auto timerFaulty = [&w](int port) {
        const QString timer = w.txtAutoTimer[port]->text();
        if (!IsSingleByteText(timer))
            return true;
        return isChecked(w.chkAutoHash[port]) && (numberOf(timer) < 1 || numberOf(timer) > 60);
    };
    const bool subscriberFaulty = dialUp && timerFaulty(0);
    if (subscriberFaulty || timerFaulty(1))
        return fail(subscriberFaulty ? w.txtAutoTimer[0] : w.txtAutoTimer[1],
                    QStringLiteral("自動発呼までのタイマ値が正しくありません。"), AnalogTitle);

    return true;
}

bool ConfigurationValidator::checkDestinationPage(int tab)
{
    frmMain &w = m_window;
    const Configuration &config = w.configuration();
    const int r = tab - 1;
    const Destination &record = config.destination(r);
    const bool dialUp = isDialUp();

    // The record of the destination on the page is only brought up to date
    // when the tab is left, after this check. Until then the page is the
    // truth for it: reading the old record would refuse corrections the
    // operator has just made, or let through what was just spoilt.
    const bool shown = r == shownDestination();

    // Is the Ethernet address the PPP address of some destination? Only the
    // destinations that exist count: records beyond the last one are left
    // over from deleted destinations (and past the 32nd there is no record).
    const QString etherIP = w.txtEtherIP->text();
    bool etherAddressUsed = false;
    const int destinations = qMin<int>(config.TabCount - 1, MaxDestinations);
    for (int i = 1; i <= destinations; ++i) {
        if (shown && i == r)
            continue; // compared through txtPPPIP below
        const QString &ppp = config.destination(i).PPPIP;
        if (!ppp.isEmpty() && ppp == etherIP)
            etherAddressUsed = true;
    }

    const QString isdn = w.txtISDNNum->text();
    const bool storedNumberEmpty = shown || record.ISDN_Num.isEmpty();
    if ((dialUp && isdn.isEmpty() && storedNumberEmpty) || !IsSingleByteText(isdn))
        return fail(w.txtISDNNum, QStringLiteral("ダイヤルアップ接続の場合、ISDN番号は省略できません。"),
                    QStringLiteral("ISDN番号"));
    if (dialUp && !isdn.isEmpty() && onlyHyphens(isdn))
        return fail(w.txtISDNNum, QStringLiteral("ISDN 番号の形式が不正です。"), QStringLiteral("ISDN番号"));

    const QString altNum = w.txtAltNum->text();
    if (w.txtAltNum->isEnabled() && !altNum.isEmpty() && (onlyHyphens(altNum) || !IsSingleByteText(altNum)))
        return fail(w.txtAltNum, QStringLiteral("ISDN予備番号の形式が不正です。"), QStringLiteral("ISDN予備番号"));

    if (isChecked(w.chkCallBack)) {
        const QString delay = w.txtCbdelay->text();
        if (!IsSingleByteText(delay) || numberOf(delay) < 0 || numberOf(delay) > 100)
            return fail(w.txtCbdelay, QStringLiteral("コールバックタイマの値が正しくありません。"),
                        QStringLiteral("コールバックタイマ"));
    }

    const bool userFilled = !w.txtUsername->text().isEmpty();
    const bool passFilled = !w.txtUserPass->text().isEmpty();
    if (!userFilled && passFilled)
        return fail(w.txtUsername, QStringLiteral("接続先に対するユーザ名は省略できません。"),
                    QStringLiteral("接続先に対するユーザ名"));
    if (userFilled && !passFilled)
        return fail(w.txtUserPass, QStringLiteral("接続先に対するパスワードは省略できません。"),
                    QStringLiteral("接続先に対するパスワード"));

    if (isChecked(w.chkPPPAuth)) {
        const bool authUserFilled = !w.txtAuthUserName->text().isEmpty();
        const bool authPassFilled = !w.txtAuthUserPass->text().isEmpty();
        if (authUserFilled && !authPassFilled)
            return fail(w.txtAuthUserPass, QStringLiteral("認証相手のパスワードは省略できません。"),
                        QStringLiteral("接続相手のパスワード"));
        if (!authUserFilled && authPassFilled)
            return fail(w.txtAuthUserName, QStringLiteral("認証相手のユーザ名は省略できません。"),
                        QStringLiteral("接続相手のユーザ名"));
    }

    const bool dynamic = isChecked(w.chkPPPDyn);
    const QString pppIP = w.txtPPPIP->text();
    const QString pppMask = w.txtPPPNetMask->text();
    if (!dynamic && !IsDottedQuad(pppIP))
        return failFormat(w.txtPPPIP, QStringLiteral("PPPインターフェースのIPアドレス"));
    if (!dynamic && !IsDottedQuad(pppMask))
        return failFormat(w.txtPPPNetMask, QStringLiteral("PPPインターフェースのネットマスク"));
    if (!dynamic && (pppIP == etherIP || etherAddressUsed))
        return fail(w.txtPPPIP, QStringLiteral("入力されたPPPインターフェースのIPアドレスはすでに設定されています。"),
                    QStringLiteral("PPPインターフェースのIPアドレス"));
    if ((pppIP != NoAddress && pppMask == NoAddress) || (!dynamic && !IsDottedQuad(pppMask)))
        return failFormat(w.txtPPPNetMask, QStringLiteral("PPPインターフェースのネットマスク"));

    const bool defaultRoute = isChecked(w.chkDefault);
    const bool staticRoute = isChecked(w.chkStaticRoute);
    if (!defaultRoute && !isChecked(w.chkRIPPPP) && !staticRoute)
        return fail(nullptr,
                    QStringLiteral("この接続先への経路設定がありません。経路制御の中から") + CrLf
                        + QStringLiteral("選択して下さい。"),
                    RouteTitle);

    auto routeFieldFaulty = [&](const QLineEdit *box, const QString &stored, bool refuseZero) {
        const QString text = box->text();
        const bool storedEmpty = shown || stored.isEmpty();
        return (staticRoute && storedEmpty && !IsDottedQuad(text)) || text == Broadcast
            || (refuseZero && text == NoAddress);
    };
    if (routeFieldFaulty(w.txtRouteIP, record.RouteIP, true))
        return failFormat(w.txtRouteIP, QStringLiteral("接続先のネットワークIPアドレス"));
    if (routeFieldFaulty(w.txtRouteNetMask, record.RouteNetMask, true))
        return failFormat(w.txtRouteNetMask, QStringLiteral("接続先のネットマスク"));
    if (routeFieldFaulty(w.txtNextHop, record.RouteNextHop, false))
        return failFormat(w.txtNextHop, QStringLiteral("ネクストホップ"));

    const bool storedTerminalWithoutRoute =
        !shown && record.Type == 1 && record.DefRoute == 0 && record.StaticRoute == 0;
    const bool shownTerminalWithoutRoute =
        w.cboType->currentIndex() == 1 && !defaultRoute && !staticRoute;
    if (storedTerminalWithoutRoute || shownTerminalWithoutRoute)
        return fail(nullptr,
                    QStringLiteral("端末型設定の場合は、デフォルトルート、又は、スタティックルートを") + CrLf
                        + QStringLiteral("選択して下さい。"),
                    RouteTitle);

    const QString idle = textOf(w.cboIdleTimer);
    if (!IsSingleByteText(idle) || numberOf(idle) < 0)
        return failFormat(w.cboIdleTimer, QStringLiteral("アイドルタイマ"));

    return true;
}

} // namespace mg
