#include "PageChecks.h"

#include "AddressChecks.h"
#include "FieldEnabling.h"
#include "NumericText.h"

namespace mg {

namespace {

const QString ErrorTitle = QStringLiteral("エラー");
const QString AnalogTitle = QStringLiteral("アナログポートの設定");
const QString RouteTitle = QStringLiteral("経路制御");
const QString NoAddress = QStringLiteral("0.0.0.0");
const QString Broadcast = QStringLiteral("255.255.255.255");
const QString CrLf = QStringLiteral("\r\n");

// Numbers are compared in full width: a long run of digits must stay large
// instead of wrapping into the allowed range.
qint64 numberOf(const QString &text) { return leadingNumber(text); }

bool isZeroOrBroadcast(const QString &text) { return text == NoAddress || text == Broadcast; }

// Empty once the hyphens are gone: a telephone number without a digit.
bool onlyHyphens(const QString &number) { return StripHyphens(number).isEmpty(); }

CheckFailure fault(CheckField field, const QString &text, const QString &title)
{
    return {field, text, title, false, 0};
}

CheckFailure formatFault(CheckField field, const QString &fieldName)
{
    const FormatErrorMessage message = ReportFormatError(fieldName);
    return {field, message.text, message.title, true, 0};
}

} // namespace

std::optional<CheckFailure> checkEthernetGiven(const CommonSettings &common)
{
    if (common.EthIP.isEmpty() || common.EthMask.isEmpty())
        return fault(CheckField::EtherIP,
                     QStringLiteral("EthernetインターフェースのIPアドレス、")
                         + QStringLiteral("または、ネットマスクが入力されていません。"),
                     ErrorTitle);
    return std::nullopt;
}

std::optional<CheckFailure> checkCommonPage(const CommonSettings &c)
{
    const bool dialUp = !c.isLeasedLine();
    const bool dhcp = c.DHCP != 0;

    if (isZeroOrBroadcast(c.EthIP) || !IsDottedQuad(c.EthIP))
        return formatFault(CheckField::EtherIP, QStringLiteral("Ethernet インターフェースのIPアドレス"));
    if (c.EthMask == NoAddress || !IsDottedQuad(c.EthMask))
        return formatFault(CheckField::EthernetMask, QStringLiteral("Ethernet インタフェースのネットマスク"));
    if (!c.Syslog.isEmpty() && (!IsDottedQuad(c.Syslog) || isZeroOrBroadcast(c.Syslog)))
        return formatFault(CheckField::Syslog, QStringLiteral("シスログ・サーバのIPアドレス"));
    if (isZeroOrBroadcast(c.DHCP_IP) || (dhcp && !IsDottedQuad(c.DHCP_IP)))
        return formatFault(CheckField::DhcpStart, QStringLiteral("DHCPサーバの開始IPアドレス"));
    if (c.DHCP_Mask == NoAddress || (dhcp && !IsDottedQuad(c.DHCP_Mask)))
        return formatFault(CheckField::DhcpSubnet, QStringLiteral("DHCPサーバで提供するネットマスク"));
    if (dhcp && !IsDottedQuad(c.DHCP_Router))
        return formatFault(CheckField::DhcpRouter, QStringLiteral("DHCPサーバで提供するデフォルトルート"));
    if ((dhcp && !c.DHCP_DNS.isEmpty() && !IsDottedQuad(c.DHCP_DNS)) || isZeroOrBroadcast(c.DHCP_DNS))
        return formatFault(CheckField::DnsServer, QStringLiteral("DHCPサーバで提供するDNSサーバ"));
    const QString &lease = c.DHCP_Lease;
    if (dhcp && (!IsSingleByteText(lease) || numberOf(lease) < 3600 || numberOf(lease) >= 1000000000))
        return formatFault(CheckField::Lease, QStringLiteral("使用期限"));
    const QString &count = c.DHCP_Num;
    if (dhcp && (count.isEmpty() || !IsSingleByteText(count) || numberOf(count) < 1 || numberOf(count) > 255))
        return formatFault(CheckField::AddressCount, QStringLiteral("提供するIPアドレス数"));

    const QString &number = c.PBX_Number;
    const QString &dialIn = c.PBX_DialIn;
    if (dialUp && !number.isEmpty() && (onlyHyphens(number) || !IsSingleByteText(number)))
        return fault(CheckField::SubscriberNumber, QStringLiteral("契約者番号の形式が不正です。"), AnalogTitle);
    if (dialUp && !dialIn.isEmpty() && (onlyHyphens(dialIn) || !IsSingleByteText(dialIn)))
        return fault(CheckField::DialInNumber, QStringLiteral("ダイヤルイン番号の形式が不正です。"), AnalogTitle);
    if ((dialUp && !number.isEmpty() && dialIn.isEmpty()) || (!dialIn.isEmpty() && number.isEmpty())) {
        if (number.isEmpty())
            return fault(CheckField::SubscriberNumber, QStringLiteral("契約者番号が入力されていません。"), AnalogTitle);
        return fault(CheckField::DialInNumber, QStringLiteral("ダイヤルイン番号が入力されていません。"), AnalogTitle);
    }

    auto timerFaulty = [](const QString &timer, int16 autoHash) {
        if (!IsSingleByteText(timer))
            return true;
        return autoHash != 0 && (numberOf(timer) < 1 || numberOf(timer) > 60);
    };
    const bool subscriberFaulty = dialUp && timerFaulty(c.AutoHashTimer1, c.AutoHash1);
    if (subscriberFaulty || timerFaulty(c.AutoHashTimer2, c.AutoHash2))
        return fault(subscriberFaulty ? CheckField::AutoTimer0 : CheckField::AutoTimer1,
                     QStringLiteral("自動発呼までのタイマ値が正しくありません。"), AnalogTitle);
    return std::nullopt;
}

std::optional<CheckFailure> checkDestinationPage(const Configuration &config, int r, const ShownPage &shownPage)
{
    const DestinationPageValues &page = shownPage.values;
    const Destination &record = config.destination(r);
    const bool dialUp = !config.Common.isLeasedLine();

    // The record of the destination on the page is only brought up to date
    // when the tab is left, after this check. Until then the page is the
    // truth for it: reading the old record would refuse corrections the
    // operator has just made, or let through what was just spoilt.
    const bool shown = r == shownPage.destination;

    // Is the Ethernet address the PPP address of some destination? Only the
    // destinations that exist count: records beyond the last one are left
    // over from deleted destinations (and past the 32nd there is no record).
    const QString &etherIP = config.Common.EthIP;
    bool etherAddressUsed = false;
    const int destinations = qMin<int>(config.TabCount - 1, MaxDestinations);
    for (int i = 1; i <= destinations; ++i) {
        if (shown && i == r)
            continue; // compared through the page's PPP address below
        const QString &ppp = config.destination(i).PPPIP;
        if (!ppp.isEmpty() && ppp == etherIP)
            etherAddressUsed = true;
    }

    const QString &isdn = page.ISDN_Num;
    const bool storedNumberEmpty = shown || record.ISDN_Num.isEmpty();
    if ((dialUp && isdn.isEmpty() && storedNumberEmpty) || !IsSingleByteText(isdn))
        return fault(CheckField::IsdnNumber, QStringLiteral("ダイヤルアップ接続の場合、ISDN番号は省略できません。"),
                     QStringLiteral("ISDN番号"));
    if (dialUp && !isdn.isEmpty() && onlyHyphens(isdn))
        return fault(CheckField::IsdnNumber, QStringLiteral("ISDN 番号の形式が不正です。"), QStringLiteral("ISDN番号"));

    // Only a spare number the operator can reach on the page is checked.
    const QString &altNum = page.ISDN_ALTNum;
    const bool altNumOpen = destinationEnabling(page, dialUp, false).altNum;
    if (altNumOpen && !altNum.isEmpty() && (onlyHyphens(altNum) || !IsSingleByteText(altNum)))
        return fault(CheckField::AltNumber, QStringLiteral("ISDN予備番号の形式が不正です。"), QStringLiteral("ISDN予備番号"));

    if (page.CallBack) {
        const QString &delay = page.CBTimerText;
        if (!IsSingleByteText(delay) || numberOf(delay) < 0 || numberOf(delay) > 100)
            return fault(CheckField::CallbackTimer, QStringLiteral("コールバックタイマの値が正しくありません。"),
                         QStringLiteral("コールバックタイマ"));
    }

    const bool userFilled = !page.UserName.isEmpty();
    const bool passFilled = !page.UserPass.isEmpty();
    if (!userFilled && passFilled)
        return fault(CheckField::UserName, QStringLiteral("接続先に対するユーザ名は省略できません。"),
                     QStringLiteral("接続先に対するユーザ名"));
    if (userFilled && !passFilled)
        return fault(CheckField::UserPass, QStringLiteral("接続先に対するパスワードは省略できません。"),
                     QStringLiteral("接続先に対するパスワード"));

    if (page.Authentication) {
        const bool authUserFilled = !page.AuthName.isEmpty();
        const bool authPassFilled = !page.AuthPass.isEmpty();
        if (authUserFilled && !authPassFilled)
            return fault(CheckField::AuthUserPass, QStringLiteral("認証相手のパスワードは省略できません。"),
                         QStringLiteral("接続相手のパスワード"));
        if (!authUserFilled && authPassFilled)
            return fault(CheckField::AuthUserName, QStringLiteral("認証相手のユーザ名は省略できません。"),
                         QStringLiteral("接続相手のユーザ名"));
    }

    const bool dynamic = page.PPPDyn;
    const QString &pppIP = page.PPPIP;
    const QString &pppMask = page.PPPMask;
    if (!dynamic && !IsDottedQuad(pppIP))
        return formatFault(CheckField::PppAddress, QStringLiteral("PPPインターフェースのIPアドレス"));
    if (!dynamic && !IsDottedQuad(pppMask))
        return formatFault(CheckField::PppMask, QStringLiteral("PPPインターフェースのネットマスク"));
    if (!dynamic && (pppIP == etherIP || etherAddressUsed))
        return fault(CheckField::PppAddress, QStringLiteral("入力されたPPPインターフェースのIPアドレスはすでに設定されています。"),
                     QStringLiteral("PPPインターフェースのIPアドレス"));
    if ((pppIP != NoAddress && pppMask == NoAddress) || (!dynamic && !IsDottedQuad(pppMask)))
        return formatFault(CheckField::PppMask, QStringLiteral("PPPインターフェースのネットマスク"));

    const bool defaultRoute = page.DefRoute;
    const bool staticRoute = page.StaticRoute;
    if (!defaultRoute && !page.PPPRIP && !staticRoute)
        return fault(CheckField::None,
                     QStringLiteral("この接続先への経路設定がありません。経路制御の中から") + CrLf
                         + QStringLiteral("選択して下さい。"),
                     RouteTitle);

    auto routeFieldFaulty = [&](const QString &text, const QString &stored, bool refuseZero) {
        const bool storedEmpty = shown || stored.isEmpty();
        return (staticRoute && storedEmpty && !IsDottedQuad(text)) || text == Broadcast
            || (refuseZero && text == NoAddress);
    };
    if (routeFieldFaulty(page.RouteIP, record.RouteIP, true))
        return formatFault(CheckField::RouteAddress, QStringLiteral("接続先のネットワークIPアドレス"));
    if (routeFieldFaulty(page.RouteNetMask, record.RouteNetMask, true))
        return formatFault(CheckField::RouteMask, QStringLiteral("接続先のネットマスク"));
    if (routeFieldFaulty(page.RouteNextHop, record.RouteNextHop, false))
        return formatFault(CheckField::NextHop, QStringLiteral("ネクストホップ"));

    const bool storedTerminalWithoutRoute =
        !shown && record.Type == 1 && record.DefRoute == 0 && record.StaticRoute == 0;
    const bool shownTerminalWithoutRoute = page.Type == 1 && !defaultRoute && !staticRoute;
    if (storedTerminalWithoutRoute || shownTerminalWithoutRoute)
        return fault(CheckField::None,
                     QStringLiteral("端末型設定の場合は、デフォルトルート、又は、スタティックルートを") + CrLf
                         + QStringLiteral("選択して下さい。"),
                     RouteTitle);

    if (!IsSingleByteText(page.Idle) || numberOf(page.Idle) < 0)
        return formatFault(CheckField::IdleTimer, QStringLiteral("アイドルタイマ"));
    return std::nullopt;
}

std::optional<CheckFailure> checkDestination(const Configuration &config, int r, const ShownPage &page)
{
    const Destination &record = config.destination(r);
    const bool dialUp = !config.Common.isLeasedLine();
    // The destination on the page is read from the page (an empty callback
    // timer is seen there, not only its stored 0), every other one from its
    // record, and a fault found there is shown on its own page.
    const bool onScreen = r == page.destination;
    const DestinationPageValues values = onScreen ? page.values : showDestination(config, r);
    auto ofRecord = [&](CheckFailure failure) {
        if (!onScreen)
            failure.destination = r;
        return failure;
    };

    if (dialUp && record.ISDN_Num.isEmpty())
        return fault(CheckField::IsdnNumber, QStringLiteral("ダイアルアップ接続の時は、ISDN番号は省略できません。"),
                     ErrorTitle);

    if (values.CallBack) {
        const QString &delay = values.CBTimerText;
        if (delay.isEmpty() || numberOf(delay) < 0 || numberOf(delay) > 100)
            return ofRecord(fault(CheckField::CallbackTimer, QStringLiteral("コールバックタイマの値が正しくありません。"),
                                  ErrorTitle));
    }

    if (record.PPPDyn == 0) {
        if (record.PPPIP.isEmpty() || record.PPPMask.isEmpty())
            return fault(CheckField::PppAddress,
                         QStringLiteral("PPPインターフェースのIPアドレス、")
                             + QStringLiteral("または、ネットマスクが入力されていません。"),
                         ErrorTitle);
        if (auto failure = checkDestinationPage(config, r, page))
            return failure;
    }

    if (record.StaticRoute == 1) {
        if (record.RouteIP.isEmpty() || !IsDottedQuad(record.RouteIP))
            return formatFault(CheckField::RouteAddress, QStringLiteral("接続先のネットワークIPアドレス"));
        if (record.RouteNetMask.isEmpty() || !IsDottedQuad(record.RouteNetMask))
            return formatFault(CheckField::RouteMask, QStringLiteral("接続先のネットマスク"));
        if (record.RouteNextHop.isEmpty() || !IsDottedQuad(record.RouteNextHop))
            return formatFault(CheckField::NextHop, QStringLiteral("ネクストホップ"));
    }

    const bool userFilled = !values.UserName.isEmpty();
    if (!userFilled || values.UserPass.isEmpty())
        return ofRecord(fault(userFilled ? CheckField::UserPass : CheckField::UserName,
                              QStringLiteral("認証用のユーザ名、パスワードのどちらかが未入力です。"), ErrorTitle));

    if (values.Authentication) {
        if (values.AuthName.isEmpty() || values.AuthPass.isEmpty())
            return ofRecord(fault(CheckField::AuthUserName,
                                  QStringLiteral("接続相手を認証する場合、接続相手のユーザ名、") + CrLf
                                      + QStringLiteral("パスワードは省略できません。"),
                                  ErrorTitle));
    } else if (numberOf(values.Idle) < 0) {
        return ofRecord(formatFault(CheckField::IdleTimer, QStringLiteral("アイドルタイマ")));
    }
    return std::nullopt;
}

} // namespace mg
