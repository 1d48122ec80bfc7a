#pragma once

#include "Configuration.h"

// Configurations as the window leaves them after storing its pages: values a
// file stores and reads back unchanged (fields the file leaves out hold what
// the reading gives them).

namespace samples {

using namespace mg;

// Dial-up, three destinations, every optional block of the file present,
// values that hold other keys' text and Japanese text.
inline Configuration dialUp()
{
    Configuration c;
    CommonSettings &s = c.Common;
    s.EthIP = QStringLiteral("192.168.1.1");
    s.EthMask = QStringLiteral("255.255.255.0");
    s.EthRIP = 1;
    s.Filter = 1;
    s.Syslog = QStringLiteral("192.168.1.10");
    s.DHCP = 1;
    s.DHCP_IP = QStringLiteral("192.168.1.100");
    s.DHCP_Num = QStringLiteral("50");
    s.DHCP_Mask = QStringLiteral("255.255.255.0");
    s.DHCP_Router = QStringLiteral("192.168.1.254");
    s.DHCP_DNS = QStringLiteral("192.168.1.2");
    s.DHCP_Lease = QStringLiteral("7200");
    s.Grobal = 1;
    s.ANALOG1 = 1;
    s.PBX_Number = QStringLiteral("03-1111-2222");
    s.AutoHash1 = 1;
    s.AutoHashTimer1 = QStringLiteral("3");
    s.ANALOG2 = 0;
    s.PBX_DialIn = QStringLiteral("03-1111-2223");

    c.TabCount = 4;
    Destination &d1 = c.destination(1);
    d1.ISDN_Num = QStringLiteral("03-1234-5678");
    d1.CallBack = 1;
    d1.CBTimer = 30;
    d1.UserName = QStringLiteral("office");
    d1.UserPass = QStringLiteral("aType=1");
    d1.Comp = 1;
    d1.Authentication = 1;
    d1.PPPAuth = 2;
    d1.AuthName = QStringLiteral("branch");
    d1.AuthPass = QStringLiteral("Count=5");
    d1.Idle = QStringLiteral("120");
    d1.LQR = 0;
    d1.PPPIP = QStringLiteral("192.168.2.1");
    d1.VJC = 1;
    d1.DefRoute = 1;
    d1.PPPRIP = 1;
    d1.MP = 1;
    c.bod(1) = {QStringLiteral("70"), QStringLiteral("20"), QStringLiteral("10"), QStringLiteral("90")};

    Destination &d2 = c.destination(2);
    d2.Type = 1;
    d2.ISDN_Num = QStringLiteral("06-9876-5432");
    d2.ISDN_ALTNum = QStringLiteral("06-9876-0000");
    d2.UserName = QStringLiteral("営業部");
    d2.UserPass = QStringLiteral("MP=1");
    d2.Idle = QStringLiteral("OFF");
    d2.PPPDyn = 1;
    d2.PPPIP = QStringLiteral("0.0.0.0");
    d2.PPPMask = QStringLiteral("0.0.0.0");
    d2.MP = 2;

    Destination &d3 = c.destination(3);
    d3.ISDN_Num = QStringLiteral("011-222-3333");
    d3.Comp = 2;
    d3.Authentication = 1;
    d3.PPPIP = QStringLiteral("192.168.3.1");
    d3.PPPMask = QStringLiteral("255.255.255.252");
    d3.StaticRoute = 1;
    d3.RouteIP = QStringLiteral("10.1.0.0");
    d3.RouteNetMask = QStringLiteral("255.255.0.0");
    d3.RouteNextHop = QStringLiteral("10.1.0.254");
    c.DefaultRouteTaken = true;

    c.appendRoute({QStringLiteral("172.16.0.0"), QStringLiteral("255.240.0.0"), QStringLiteral("ppp0"),
                   QStringLiteral("0.0.0.0")});
    c.appendRoute({QStringLiteral("192.168.9.0"), QStringLiteral("255.255.255.0"), QStringLiteral("eth0"),
                   QStringLiteral("192.168.1.9")});

    EnatEntry sn;
    sn.NATType = 0;
    sn.PrivateIP = QStringLiteral("192.168.1.5");
    sn.GlobalIP = QStringLiteral("203.0.113.5");
    EnatEntry dn;
    dn.NATType = 1;
    dn.PrivateIP = QStringLiteral("192.168.1.0");
    dn.PrivateMask = QStringLiteral("255.255.255.128");
    dn.GlobalIP = QStringLiteral("203.0.113.16");
    dn.GlobalMask = QStringLiteral("255.255.255.240");
    EnatEntry se;
    se.NATType = 2;
    se.PrivateIP = QStringLiteral("192.168.1.20");
    se.Protocol = QStringLiteral("tcp");
    se.PrivatePort = QStringLiteral("80");
    se.GlobalIP = QStringLiteral("203.0.113.6");
    se.GlobalPort = QStringLiteral("8080");
    EnatEntry deIf;
    deIf.NATType = 3;
    deIf.PrivateIP = QStringLiteral("192.168.1.0");
    deIf.PrivateMask = QStringLiteral("255.255.255.0");
    deIf.GlobalInterFace = QStringLiteral("ppp1");
    EnatEntry deIp;
    deIp.NATType = 3;
    deIp.PrivateIP = QStringLiteral("192.168.4.0");
    deIp.PrivateMask = QStringLiteral("255.255.255.0");
    deIp.GlobalIP = QStringLiteral("203.0.113.7");
    for (const EnatEntry &e : {sn, dn, se, deIf, deIp})
        c.appendEnat(e);
    c.Saved = false;
    return c;
}

// A 128k leased line: one destination, no analog ports, no DHCP server.
inline Configuration leased()
{
    Configuration c;
    c.Common.ConnectType = 2;
    c.setEthIP(QStringLiteral("10.0.0.1"));
    c.setEthMask(QStringLiteral("255.0.0.0"));
    Destination &d = c.destination(1);
    d.UserName = QStringLiteral("hq");
    d.UserPass = QStringLiteral("secret");
    d.PPPIP = QStringLiteral("10.255.0.1");
    d.PPPMask = QStringLiteral("255.255.255.252");
    d.DefRoute = 1;
    c.DefaultRouteTaken = true;
    c.Saved = false;
    return c;
}

// Every table full: 32 destinations, 100 routes, 100 ENAT entries.
inline Configuration full()
{
    Configuration c;
    c.setEthIP(QStringLiteral("192.168.0.1"));
    c.TabCount = MaxDestinations + 1;
    for (int n = 1; n <= MaxDestinations; ++n) {
        Destination &d = c.destination(n);
        d.Type = int16(n % 2);
        d.ISDN_Num = QStringLiteral("03-0000-%1").arg(n, 4, 10, QLatin1Char('0'));
        d.UserName = QStringLiteral("user%1").arg(n);
        d.UserPass = QStringLiteral("pass%1").arg(n);
        d.PPPIP = QStringLiteral("10.%1.0.1").arg(n);
        d.MP = 1;
        c.bod(n) = {QString::number(50 + n), QStringLiteral("30"), QStringLiteral("20"), QStringLiteral("60")};
    }
    for (int i = 0; i < MaxRoutes; ++i) {
        c.appendRoute({QStringLiteral("172.16.%1.0").arg(i), QStringLiteral("255.255.255.0"),
                       QStringLiteral("ppp%1").arg(i % MaxDestinations), QStringLiteral("0.0.0.0")});
    }
    for (int i = 0; i < MaxEnatEntries; ++i) {
        EnatEntry e;
        e.NATType = 0;
        e.PrivateIP = QStringLiteral("192.168.0.%1").arg(i + 2);
        e.GlobalIP = QStringLiteral("203.0.113.%1").arg(i);
        c.appendEnat(e);
    }
    c.Saved = false;
    return c;
}

} // namespace samples
