#include "ScriptGenerator.h"

#include "AddressChecks.h"

#include <algorithm>

namespace mg {

namespace {

const QString CrLf = QStringLiteral("\r\n");

// The router reads one command per line; every line, the last included,
// ends with CR LF.
class ScriptWriter {
public:
    void line(const QString &text)
    {
        m_text += text;
        m_text += CrLf;
    }
    // The dial-up user and password commands are each followed by an empty
    // line; scripts already saved and installed have that form, and a
    // regenerated script must stay byte-identical to them.
    void lineThenEmpty(const QString &text)
    {
        line(text);
        m_text += CrLf;
    }
    void append(const QString &lines) { m_text += lines; }
    QString text() const { return m_text; }

private:
    QString m_text;
};

QString num(int value) { return QString::number(value); }

QString quoted(const QString &value) { return QLatin1Char('"') + value + QLatin1Char('"'); }

bool isTerminal(const Destination &d) { return d.Type == 1; }

bool bothFilled(const QString &a, const QString &b) { return !a.isEmpty() && !b.isEmpty(); }

QString authMethod(int16 pppAuth)
{
    switch (pppAuth) {
    case 0: return QStringLiteral("CHAP");
    case 1: return QStringLiteral("PAP");
    case 2: return QStringLiteral("EITHER");
    default: return {};
    }
}

QString compressionAlgorithm(int16 comp)
{
    switch (comp) {
    case 1: return QStringLiteral("STACLZS");
    case 2: return QStringLiteral("PREDICTOR");
    default: return {};
    }
}

QString idleTail(const Destination &d)
{
    QString tail;
    if (isTerminal(d))
        tail += QStringLiteral(" iprequest=ON");
    if (d.LQR == 1)
        tail += QStringLiteral(" LQR=OFF");
    return tail;
}

// A TabCount from a damaged file or a caller's slip must never take the
// generator outside the destination table. A leased line has one
// destination whatever the tab count says.
int destinationsInScript(const Configuration &config)
{
    if (config.Common.isLeasedLine())
        return 1;
    return std::clamp(config.TabCount - 1, 1, MaxDestinations);
}

int routesInUse(const Configuration &config)
{
    return std::clamp<int>(config.RouteCount, 0, MaxRoutes);
}

int enatEntriesInUse(const Configuration &config)
{
    return std::clamp<int>(config.EnatCount, 0, MaxEnatEntries);
}


void writeLeasedLine(ScriptWriter &out, const Configuration &config)
{
    const Destination &d = config.destination(1);
    if (config.Common.ConnectType == 1) {
        out.line(QStringLiteral("set bri=0 mode=tdm act=always tdmslots=1"));
        out.line(QStringLiteral("create tdm group=remote int=bri0 slots=1"));
    } else if (config.Common.ConnectType == 2) {
        out.line(QStringLiteral("set bri=0 mode=tdm act=always tdmslots=1-2"));
        out.line(QStringLiteral("create tdm group=remote int=bri0 slots=1-2"));
    }
    out.line(d.LQR == 1 ? QStringLiteral("create ppp=0 over=tdm-remote LQR=OFF")
                        : QStringLiteral("create ppp=0 over=tdm-remote"));
    if (bothFilled(d.UserName, d.UserPass))
        out.line(QStringLiteral("set ppp=0 user=") + quoted(d.UserName) + QStringLiteral(" password=")
                 + quoted(d.UserPass));
    if (d.Authentication == 1 && bothFilled(d.AuthName, d.AuthPass))
        out.line(QStringLiteral("add user=") + d.AuthName + QStringLiteral(" password=") + d.AuthPass);
    if (d.Authentication == 1)
        out.line(QStringLiteral("set ppp=0 over=tdm-remote authentication=") + authMethod(d.PPPAuth));
    if (d.Comp != 0) {
        out.line(QStringLiteral("set ppp=0 compression=on compalgorithm=") + compressionAlgorithm(d.Comp));
        if (d.Comp == 1)
            out.line(QStringLiteral("set enco sw stacchannels=1"));
        else if (d.Comp == 2)
            out.line(QStringLiteral("set enco sw predchannels=1"));
    }
}

void writeDialUp(ScriptWriter &out, const Configuration &config, int count)
{
    // Users first: the router must know every peer before any call refers to it.
    for (int n = 1; n <= count; ++n) {
        const Destination &d = config.destination(n);
        if (d.Authentication == 1 && bothFilled(d.AuthName, d.AuthPass))
            out.line(QStringLiteral("add user=") + d.AuthName + QStringLiteral(" password=") + d.AuthPass);
    }

    // The router dials digits only.
    for (int n = 1; n <= count; ++n) {
        const Destination &d = config.destination(n);
        const QString k = num(n - 1);
        QString call = QStringLiteral("add isdn call=remote") + k + QStringLiteral(" prec=out number=")
            + StripHyphens(d.ISDN_Num) + QStringLiteral(" searchcli=on");
        if (!d.ISDN_ALTNum.isEmpty() && isTerminal(d))
            call += QStringLiteral(" altnumber=") + StripHyphens(d.ISDN_ALTNum);
        out.line(call);
        if (d.CallBack == 1)
            out.line(QStringLiteral("set isdn call=remote") + k + QStringLiteral(" callback=ON cbdelay=")
                     + num(d.CBTimer));
    }

    bool channelsSet = false;
    for (int n = 1; n <= count; ++n) {
        const Destination &d = config.destination(n);
        const BodSetting &bod = config.bod(n);
        const QString k = num(n - 1);
        const QString ppp = QStringLiteral("ppp=") + k;
        const QString over = QStringLiteral(" over=isdn-remote") + k;

        out.line(QStringLiteral("create ") + ppp + over + QStringLiteral(" idle=") + d.Idle + idleTail(d));
        if (d.MP == 1) {
            out.line(QStringLiteral("add ") + ppp + over + QStringLiteral(" type=demand"));
            if (!bod.Uprate.isEmpty())
                out.line(QStringLiteral("set ") + ppp + QStringLiteral(" uprate=") + bod.Uprate
                         + QStringLiteral(" uptime=") + bod.Uptime + QStringLiteral(" downrate=")
                         + bod.Downrate + QStringLiteral(" downtime=") + bod.Downtime);
        } else if (d.MP == 2) {
            out.line(QStringLiteral("add ") + ppp + over);
        }
        if (bothFilled(d.UserName, d.UserPass)) {
            out.lineThenEmpty(QStringLiteral("set ") + ppp + QStringLiteral(" user=") + quoted(d.UserName));
            out.lineThenEmpty(QStringLiteral("set ") + ppp + QStringLiteral(" pass=") + quoted(d.UserPass));
        }
        if (d.Authentication == 1)
            out.line(QStringLiteral("set ") + ppp + over + QStringLiteral(" authentication=")
                     + authMethod(d.PPPAuth));
        if (d.Comp != 0) {
            out.line(QStringLiteral("set ") + ppp + QStringLiteral(" compression=on compalgorithm=")
                     + compressionAlgorithm(d.Comp));
            // The compression engine's channels are shared by all interfaces:
            // they are set once, right after the first interface that compresses.
            if (!channelsSet) {
                out.line(QStringLiteral("set enco sw stacchannels=2 predchannels=2"));
                channelsSet = true;
            }
        }
    }
}

void writeEthernet(ScriptWriter &out, const CommonSettings &common)
{
    if (common.Filter != 0) {
        // Keep the Windows file-sharing broadcasts off the ISDN line.
        for (const char *port : {"137", "138", "139"})
            out.line(QStringLiteral("add ip filter=1 source=0.0.0.0 smask=0.0.0.0 sport=") + QLatin1String(port)
                     + QStringLiteral(" protocol=udp action=exclude"));
        out.line(QStringLiteral("add ip filter=1 source=0.0.0.0 action=include"));
    }
    QString eth = QStringLiteral("add ip int=eth0 ip=") + common.EthIP + QStringLiteral(" mask=") + common.EthMask;
    if (common.Filter != 0)
        eth += QStringLiteral(" filter=1");
    out.line(eth);
    if (common.EthRIP == 1)
        out.line(QStringLiteral("add ip rip int=eth0"));
}

QString defaultRouteLine(const QString &k)
{
    return QStringLiteral("add ip route=0.0.0.0 mask=0.0.0.0 int=ppp") + k + QStringLiteral(" nexthop=0.0.0.0");
}

QString staticRouteLine(const Destination &d, const QString &k)
{
    return QStringLiteral("add ip route=") + NetworkAddress(d.RouteIP, d.RouteNetMask) + QStringLiteral(" mask=")
        + d.RouteNetMask + QStringLiteral(" int=ppp") + k + QStringLiteral(" nexthop=") + d.RouteNextHop;
}

void writePppAddresses(ScriptWriter &out, const Configuration &config, int count)
{
    const bool dialUp = !config.Common.isLeasedLine();
    bool remoteEnabled = false;
    for (int n = 1; n <= count; ++n) {
        const Destination &d = config.destination(n);
        const QString k = num(n - 1);
        const QString intf = QStringLiteral("add ip int=ppp") + k;
        if (dialUp && isTerminal(d)) {
            // A terminal-type peer hands out our address, so the interface
            // has none of its own and never takes part in RIP.
            if (!remoteEnabled) {
                out.line(QStringLiteral("enable ip remote"));
                remoteEnabled = true;
            }
            out.line(intf + QStringLiteral(" ip=0.0.0.0") + (d.VJC == 1 ? QStringLiteral(" vjc=ON") : QString()));
            if (d.DefRoute == 1)
                out.line(defaultRouteLine(k));
            if (d.StaticRoute == 1)
                out.line(staticRouteLine(d, k));
        } else {
            QString addr = d.PPPDyn == 0 ? QStringLiteral(" ip=") + d.PPPIP + QStringLiteral(" mask=") + d.PPPMask
                                         : QStringLiteral(" ip=0.0.0.0");
            if (d.VJC == 1)
                addr += QStringLiteral(" vjc=on");
            out.line(intf + addr);
            if (d.DefRoute == 1)
                out.line(defaultRouteLine(k));
            if (d.PPPRIP == 1)
                out.line(QStringLiteral("add ip rip int=ppp") + k);
            if (d.StaticRoute == 1)
                out.line(staticRouteLine(d, k));
        }
    }
}

// Offers, for each terminal-type destination in turn, a dynamic ENAT entry
// that hides the LAN behind that destination's PPP interface, until the LAN
// has one.
void askForLanEnatEntry(Configuration &config, MessagePrompt &prompt, int count)
{
    for (int n = 1; n <= count; ++n) {
        if (!isTerminal(config.destination(n)))
            continue;
        if (config.hasLanEnatEntry())
            return;
        // A full list cannot take the entry; asking would promise what
        // cannot be done.
        if (config.EnatCount < 0 || config.EnatCount >= MaxEnatEntries)
            return;
        const MessageAnswer answer = prompt.show(lanEnatQuestion(n), lanEnatQuestionTitle(),
                                                 MessageIcon::Information, MessageButtons::YesNo);
        if (answer != MessageAnswer::Yes)
            continue;
        config.appendEnat(config.lanEnatEntry(n)); // empties EnatCommands, so the list is written anew
    }
}

void writeSyslogAndDhcp(ScriptWriter &out, const CommonSettings &common)
{
    if (!common.Syslog.isEmpty()) {
        out.line(QStringLiteral("set log utcoffset=+09:00:00"));
        out.line(QStringLiteral("create log output=1 dest=syslog server=") + common.Syslog);
        out.line(QStringLiteral("add log output=1 filter=1 severity=>0 action=process"));
    }
    if (common.DHCP != 0) {
        out.line(QStringLiteral("enable dhcp"));
        out.line(QStringLiteral("create dhcp policy=base lease=") + common.DHCP_Lease);
        if (!common.DHCP_Mask.isEmpty())
            out.line(QStringLiteral("add dhcp policy=base subnet=") + common.DHCP_Mask);
        if (!common.DHCP_Router.isEmpty())
            out.line(QStringLiteral("add dhcp policy=base router=") + common.DHCP_Router);
        if (!common.DHCP_DNS.isEmpty())
            out.line(QStringLiteral("add dhcp policy=base dnsserver=") + common.DHCP_DNS);
        out.line(QStringLiteral("create dhcp range=office policy=base IP=") + common.DHCP_IP
                 + QStringLiteral(" number=") + common.DHCP_Num);
    }
}

QString extensionLine(const QString &port, int16 autoHash, const QString &timer)
{
    QString text = QStringLiteral("create pbx extension=") + port + QStringLiteral(" port=") + port
        + QStringLiteral(" group=\"default\" name=\"Extension ") + port + QLatin1Char('"');
    if (autoHash == 1)
        text += QStringLiteral(" terminate=") + timer;
    return text;
}

void writeAnalogPorts(ScriptWriter &out, const CommonSettings &common)
{
    const QString p0 = num(common.ANALOG1);
    const QString p1 = num(common.ANALOG2);
    out.line(extensionLine(p0, common.AutoHash1, common.AutoHashTimer1));
    out.line(extensionLine(p1, common.AutoHash2, common.AutoHashTimer2));
    // The exchange delivers the numbers as the operator wrote them, hyphens
    // included, so they are passed on unchanged.
    if (bothFilled(common.PBX_Number, common.PBX_DialIn)) {
        out.line(QStringLiteral("set pbx extension=") + p0 + QStringLiteral(" numaccept=")
                 + (common.Grobal == 0 ? common.PBX_Number : QStringLiteral("notpresent")));
        out.line(QStringLiteral("set pbx extension=") + p1 + QStringLiteral(" numaccept=") + common.PBX_DialIn);
    }
}

} // namespace

QString buildRouteCommands(const Configuration &config)
{
    QString text;
    const int used = routesInUse(config);
    for (int i = 0; i < used; ++i) {
        const StaticRouteEntry &r = config.StaticRouteList[i];
        text += QStringLiteral("add ip route=") + NetworkAddress(r.IP, r.Mask) + QStringLiteral(" mask=") + r.Mask
            + QStringLiteral(" int=") + r.Int + QStringLiteral(" nexthop=") + r.NextHop + CrLf;
    }
    return text;
}

QString buildEnatCommands(const Configuration &config)
{
    QString text = QStringLiteral("enable ip nat") + CrLf;
    const int used = enatEntriesInUse(config);
    for (int i = 0; i < used; ++i) {
        const EnatEntry &e = config.EnatList[i];
        const QString ip = QStringLiteral("add ip nat ip=") + e.PrivateIP;
        switch (e.NATType) {
        case 0:
            text += ip + QStringLiteral(" gblip=") + e.GlobalIP + CrLf;
            break;
        case 1:
            text += ip + QStringLiteral(" mask=") + e.PrivateMask + QStringLiteral(" gblip=") + e.GlobalIP
                + QStringLiteral(" gblmask=") + e.GlobalMask + CrLf;
            break;
        case 2:
            text += ip + QStringLiteral(" prot=") + e.Protocol + QStringLiteral(" port=") + e.PrivatePort
                + QStringLiteral(" gblip=") + e.GlobalIP + QStringLiteral(" gblport=") + e.GlobalPort + CrLf;
            break;
        case 3:
            text += ip + QStringLiteral(" mask=") + e.PrivateMask
                + (e.GlobalInterFace.isEmpty() ? QStringLiteral(" gblip=") + e.GlobalIP
                                               : QStringLiteral(" gblint=") + e.GlobalInterFace)
                + CrLf;
            break;
        default:
            break;
        }
    }
    return text;
}

QString GenerateScript(Configuration &config, MessagePrompt &prompt)
{
    ScriptWriter out;
    const int count = destinationsInScript(config);
    const bool dialUp = !config.Common.isLeasedLine();

    out.line(QStringLiteral("enable ip"));
    if (dialUp)
        writeDialUp(out, config, count);
    else
        writeLeasedLine(out, config);

    writeEthernet(out, config.Common);
    writePppAddresses(out, config, count);

    if (routesInUse(config) > 0) {
        if (config.RouteCommands.isEmpty())
            config.RouteCommands = buildRouteCommands(config);
        out.append(config.RouteCommands);
    }

    if (dialUp)
        askForLanEnatEntry(config, prompt, count);

    if (enatEntriesInUse(config) > 0) {
        if (config.EnatCommands.isEmpty())
            config.EnatCommands = buildEnatCommands(config);
        out.append(config.EnatCommands);
    }

    writeSyslogAndDhcp(out, config.Common);
    if (dialUp)
        writeAnalogPorts(out, config.Common);
    return out.text();
}

QString lanEnatQuestion(int n)
{
    return QStringLiteral("接続先") + num(n) + QStringLiteral("は端末型の設定です。") + CrLf + CrLf
        + QStringLiteral("この接続先のPPPインターフェースをグローバルアドレス") + CrLf
        + QStringLiteral("とするダイナミックENATエントリを追加しますか？");
}

QString lanEnatQuestionTitle()
{
    return QStringLiteral("ENATの設定");
}

} // namespace mg
