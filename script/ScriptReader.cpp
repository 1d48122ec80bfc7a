#include "ScriptReader.h"

#include "AddressChecks.h"
#include "NumericText.h"
#include "Prompts.h"
#include "ScriptGenerator.h"
#include "ShiftJis.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringConverter>

#include <map>
#include <vector>

namespace mg {

namespace {

const QString Unknown = QStringLiteral("このプログラムが書き出さないコマンドです。");
const QString BadForm = QStringLiteral("コマンドの形式が違います。");
const QString OpenQuote = QStringLiteral("引用符が閉じていません。");
const QString RepeatedKey = QStringLiteral("同じキーが一つの行に二度あります。");
const QString PastLastDestination = QStringLiteral("接続先の番号が 32 を超えています。");
const QString NoEffect = QStringLiteral("この設定では書き出されない行です(ほかの行と合いません)。");
const QString LeftOverUser = QStringLiteral("認証を使う接続先のない add user の行です。");

QString outOfRange(const QString &key, const QString &value)
{
    return QStringLiteral("値が範囲外です: ") + key + QLatin1Char('=') + value;
}

// One line cut into its command words and its key=value pairs. Command words
// and keys are held in lower case, as the router reads them; values as
// written, without the quotes around them.
struct Parsed {
    QStringList words;
    QList<std::pair<QString, QString>> pairs;
    QString fault;

    // "create ppp=0" and "add ip route=..." name their object as a key: the
    // object belongs to the command.
    QString command() const
    {
        static const QStringList objects{"ppp", "user", "bri", "route", "filter"};
        QString text = words.join(QLatin1Char(' '));
        if (!pairs.isEmpty() && objects.contains(pairs.first().first))
            text += QLatin1Char(' ') + pairs.first().first;
        return text;
    }
    bool has(const QString &key) const
    {
        for (const auto &p : pairs)
            if (p.first == key)
                return true;
        return false;
    }
    QString value(const QString &key) const
    {
        for (const auto &p : pairs)
            if (p.first == key)
                return p.second;
        return {};
    }
    bool is(const QString &key, const QString &word) const
    {
        return has(key) && value(key).compare(word, Qt::CaseInsensitive) == 0;
    }
    // Every key of `required`, and no key outside it and `optional`.
    bool keysAre(const QStringList &required, const QStringList &optional = {}) const
    {
        for (const QString &k : required)
            if (!has(k))
                return false;
        for (const auto &p : pairs)
            if (!required.contains(p.first) && !optional.contains(p.first))
                return false;
        return true;
    }
    // The line's meaning in one text, blind to case, blanks and key order.
    QString normalized() const
    {
        QStringList parts;
        for (const auto &p : pairs)
            parts << p.first + QLatin1Char('=') + p.second.toLower();
        parts.sort();
        return command() + QLatin1Char('|') + parts.join(QLatin1Char(' '));
    }
};

Parsed parse(const QString &line)
{
    Parsed out;
    QStringList tokens;
    QString token;
    bool inQuotes = false;
    bool any = false;
    for (QChar c : line) {
        if (c == QLatin1Char('"')) {
            inQuotes = !inQuotes;
            token += c;
            any = true;
        } else if (!inQuotes && c.isSpace()) {
            if (any)
                tokens << token;
            token.clear();
            any = false;
        } else {
            token += c;
            any = true;
        }
    }
    if (any)
        tokens << token;
    if (inQuotes) {
        out.fault = OpenQuote;
        return out;
    }
    for (const QString &t : tokens) {
        const qsizetype eq = t.indexOf(QLatin1Char('='));
        if (eq < 0) {
            if (!out.pairs.isEmpty()) { // a word after the keys
                out.fault = BadForm;
                return out;
            }
            out.words << t.toLower();
            continue;
        }
        const QString key = t.left(eq).toLower();
        QString value = t.mid(eq + 1);
        if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
            value = value.mid(1, value.size() - 2);
        if (key.isEmpty() || key.contains(QLatin1Char('"')) || value.contains(QLatin1Char('"'))) {
            out.fault = BadForm;
            return out;
        }
        if (out.has(key)) {
            out.fault = RepeatedKey;
            return out;
        }
        out.pairs.append({key, value});
    }
    return out;
}

// The destination a "<prefix>K" value names (1-based), 0 when the value
// names none, -1 when it names one past the table.
int destinationOf(const QString &value, const QString &prefix)
{
    static const QRegularExpression digits(QStringLiteral("^(0|[1-9][0-9]{0,8})$"));
    if (!value.startsWith(prefix, Qt::CaseInsensitive))
        return 0;
    const QString k = value.mid(prefix.size());
    if (!digits.match(k).hasMatch())
        return 0;
    const int n = k.toInt() + 1;
    return n > MaxDestinations ? -1 : n;
}

bool isNumberIn(const QString &text, qint64 low, qint64 high)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,10}$"));
    if (!digits.match(text).hasMatch())
        return false;
    const qint64 v = leadingNumber(text);
    return v >= low && v <= high;
}

struct InterfaceLine {
    QString ip;
    QString mask;
    bool hasMask = false;
    bool vjc = false;
};

class Reader {
public:
    ScriptReadResult read(const QString &text);

private:
    struct Placed {
        int line;
        QString text;
        QString normalized;
    };

    void unplaced(int line, const QString &text, const QString &reason) { m_out.unplaced.append({line, text, reason}); }
    // Each setting may be written once: a second line for it repeats or
    // contradicts the first and is reported either way.
    bool claim(const QString &slot, const Parsed &p, int line, const QString &text);
    // The destination named by key `key` with `prefix`; reported when bad.
    int destination(const Parsed &p, const QString &key, const QString &prefix, int line, const QString &text);
    bool place(const Parsed &p, int line, const QString &text);
    bool placeRoute(const Parsed &p, int line, const QString &text);
    bool placeNat(const Parsed &p, int line, const QString &text);
    void settle();
    void reportWhatHasNoEffect();

    ScriptReadResult m_out;
    Configuration &c = m_out.config;
    std::map<QString, std::pair<int, QString>> m_slots;
    std::vector<Placed> m_placed;
    std::map<int, InterfaceLine> m_interfaces;
    struct User {
        QString name, pass;
        int line;
        QString text;
    };
    std::vector<User> m_users;
    std::map<int, QString> m_numAccept; // extension -> number
    int m_pbxPorts = 0;
    int m_highest = 1;
    int m_block = 0; // the destination whose address line came last
    bool m_blockRoute = false;
    bool m_leasedCreate = false;
};

bool Reader::claim(const QString &slot, const Parsed &p, int line, const QString &text)
{
    const auto it = m_slots.find(slot);
    if (it != m_slots.end()) {
        const QString reason = it->second.second == p.normalized()
            ? QStringLiteral("行 %1 と同じ設定の繰り返しです。").arg(it->second.first)
            : QStringLiteral("行 %1 の設定と矛盾します。").arg(it->second.first);
        unplaced(line, text, reason);
        return false;
    }
    m_slots[slot] = {line, p.normalized()};
    return true;
}

int Reader::destination(const Parsed &p, const QString &key, const QString &prefix, int line, const QString &text)
{
    const int n = destinationOf(p.value(key), prefix);
    if (n == 0)
        unplaced(line, text, outOfRange(key, p.value(key)));
    else if (n < 0)
        unplaced(line, text, PastLastDestination);
    else
        m_highest = std::max(m_highest, n);
    return n > 0 ? n : 0;
}

bool Reader::placeRoute(const Parsed &p, int line, const QString &text)
{
    if (!p.keysAre({QStringLiteral("route"), QStringLiteral("mask"), QStringLiteral("int"), QStringLiteral("nexthop")})) {
        unplaced(line, text, BadForm);
        return false;
    }
    for (const char *key : {"route", "mask", "nexthop"}) {
        if (!IsDottedQuad(p.value(QLatin1String(key)))) {
            unplaced(line, text, outOfRange(QLatin1String(key), p.value(QLatin1String(key))));
            return false;
        }
    }
    const QString face = p.value(QStringLiteral("int"));
    int n = 0;
    if (face.compare(QLatin1String("eth0"), Qt::CaseInsensitive) != 0) {
        n = destination(p, QStringLiteral("int"), QStringLiteral("ppp"), line, text);
        if (n == 0)
            return false;
    }
    const QString any = QStringLiteral("0.0.0.0");
    const bool isDefault = p.value(QStringLiteral("route")) == any && p.value(QStringLiteral("mask")) == any
        && p.value(QStringLiteral("nexthop")) == any;
    // A destination's own routes follow its address line at once: the
    // default route, then (past the RIP line) its static route.
    if (n > 0 && n == m_block && !m_blockRoute) {
        Destination &d = c.destination(n);
        if (isDefault && d.DefRoute == 0 && d.StaticRoute == 0) {
            d.DefRoute = 1;
            return true;
        }
        if (!isDefault && d.StaticRoute == 0) {
            d.StaticRoute = 1;
            d.RouteIP = p.value(QStringLiteral("route"));
            d.RouteNetMask = p.value(QStringLiteral("mask"));
            d.RouteNextHop = p.value(QStringLiteral("nexthop"));
            m_blockRoute = true;
            return true;
        }
    }
    m_block = 0;
    const StaticRouteEntry entry{p.value(QStringLiteral("route")), p.value(QStringLiteral("mask")),
                                 n > 0 ? pppInterface(n) : QStringLiteral("eth0"), p.value(QStringLiteral("nexthop"))};
    if (!c.appendRoute(entry)) {
        unplaced(line, text, QStringLiteral("経路の表が一杯です(%1 件まで)。").arg(MaxRoutes));
        return false;
    }
    return true;
}

bool Reader::placeNat(const Parsed &p, int line, const QString &text)
{
    EnatEntry e;
    const auto v = [&p](const char *key) { return p.value(QLatin1String(key)); };
    e.PrivateIP = v("ip");
    if (p.keysAre({"ip", "gblip"})) {
        e.NATType = 0, e.GlobalIP = v("gblip");
    } else if (p.keysAre({"ip", "mask", "gblip", "gblmask"})) {
        e.NATType = 1, e.PrivateMask = v("mask"), e.GlobalIP = v("gblip"), e.GlobalMask = v("gblmask");
    } else if (p.keysAre({"ip", "prot", "port", "gblip", "gblport"})) {
        e.NATType = 2, e.Protocol = v("prot"), e.PrivatePort = v("port"), e.GlobalIP = v("gblip"),
        e.GlobalPort = v("gblport");
    } else if (p.keysAre({"ip", "mask", "gblip"})) {
        e.NATType = 3, e.PrivateMask = v("mask"), e.GlobalIP = v("gblip");
    } else if (p.keysAre({"ip", "mask", "gblint"})) {
        const int n = destination(p, QStringLiteral("gblint"), QStringLiteral("ppp"), line, text);
        if (n == 0)
            return false;
        e.NATType = 3, e.PrivateMask = v("mask"), e.GlobalInterFace = pppInterface(n);
    } else {
        unplaced(line, text, BadForm);
        return false;
    }
    for (const QString *address : {&e.PrivateIP, &e.PrivateMask, &e.GlobalIP, &e.GlobalMask}) {
        if (!address->isEmpty() && !IsDottedQuad(*address)) {
            unplaced(line, text, outOfRange(QStringLiteral("ip"), *address));
            return false;
        }
    }
    if (!c.appendEnat(e)) {
        unplaced(line, text, QStringLiteral("ENAT の表が一杯です(%1 件まで)。").arg(MaxEnatEntries));
        return false;
    }
    return true;
}

bool Reader::place(const Parsed &p, int line, const QString &text)
{
    const QString cmd = p.command();
    const auto v = [&p](const char *key) { return p.value(QLatin1String(key)); };
    const auto bad = [&](const QString &reason = BadForm) {
        unplaced(line, text, reason);
        return false;
    };
    const auto claimIt = [&](const QString &slot) { return claim(slot, p, line, text); };
    const auto kslot = [](const char *name, int n) { return QLatin1String(name) + QString::number(n); };
    // The destination of a "ppp=N over=isdn-remoteM" line, whose two numbers
    // must name the same one; 0 after reporting the line.
    const auto pppOverIsdn = [&]() -> int {
        const int n = destination(p, QStringLiteral("ppp"), QString(), line, text);
        if (n == 0)
            return 0;
        if (destinationOf(v("over"), QStringLiteral("isdn-remote")) != n) {
            bad(outOfRange(QStringLiteral("over"), v("over")));
            return 0;
        }
        return n;
    };

    if (cmd != QLatin1String("add ip route") && cmd != QLatin1String("add ip rip"))
        m_block = 0;

    if (cmd == QLatin1String("enable ip") || cmd == QLatin1String("enable ip remote")
        || cmd == QLatin1String("enable ip nat")) {
        return p.pairs.isEmpty() ? claimIt(cmd) : bad();
    }
    if (cmd == QLatin1String("enable dhcp")) {
        if (!p.pairs.isEmpty())
            return bad();
        if (!claimIt(cmd))
            return false;
        c.Common.DHCP = 1;
        return true;
    }
    if (cmd == QLatin1String("add user")) {
        if (!p.keysAre({"user", "password"}) || v("user").isEmpty() || v("password").isEmpty())
            return bad();
        m_users.push_back({v("user"), v("password"), line, text});
        return true;
    }
    if (cmd == QLatin1String("add isdn")) {
        if (!p.keysAre({"call", "prec", "number", "searchcli"}, {"altnumber"}) || !p.is("prec", "out")
            || !p.is("searchcli", "on"))
            return bad();
        const int n = destination(p, QStringLiteral("call"), QStringLiteral("remote"), line, text);
        if (n == 0 || !claimIt(kslot("call", n)))
            return false;
        c.destination(n).ISDN_Num = v("number");
        c.destination(n).ISDN_ALTNum = v("altnumber");
        return true;
    }
    if (cmd == QLatin1String("set isdn")) {
        if (!p.keysAre({"call", "callback", "cbdelay"}) || !p.is("callback", "on"))
            return bad();
        if (!isNumberIn(v("cbdelay"), 0, 100))
            return bad(outOfRange(QStringLiteral("cbdelay"), v("cbdelay")));
        const int n = destination(p, QStringLiteral("call"), QStringLiteral("remote"), line, text);
        if (n == 0 || !claimIt(kslot("callback", n)))
            return false;
        c.destination(n).CallBack = 1;
        c.destination(n).CBTimer = int16(v("cbdelay").toInt());
        return true;
    }
    if (cmd == QLatin1String("create ppp")) {
        if (p.is("over", "tdm-remote")) {
            if (!p.keysAre({"ppp", "over"}, {"lqr"}) || (p.has("lqr") && !p.is("lqr", "off")))
                return bad();
            if (v("ppp") != QLatin1String("0"))
                return bad(outOfRange(QStringLiteral("ppp"), v("ppp")));
            if (!claimIt(kslot("create", 1)))
                return false;
            m_leasedCreate = true;
            c.destination(1).LQR = p.has("lqr") ? 1 : 0;
            return true;
        }
        if (!p.keysAre({"ppp", "over", "idle"}, {"iprequest", "lqr"}) || (p.has("lqr") && !p.is("lqr", "off"))
            || (p.has("iprequest") && !p.is("iprequest", "on")) || v("idle").isEmpty())
            return bad();
        const int n = pppOverIsdn();
        if (n == 0)
            return false;
        if (!claimIt(kslot("create", n)))
            return false;
        Destination &d = c.destination(n);
        d.Idle = v("idle");
        d.Type = p.has("iprequest") ? 1 : 0;
        d.LQR = p.has("lqr") ? 1 : 0;
        return true;
    }
    if (cmd == QLatin1String("add ppp")) {
        if (!p.keysAre({"ppp", "over"}, {"type"}) || (p.has("type") && !p.is("type", "demand")))
            return bad();
        const int n = pppOverIsdn();
        if (n == 0)
            return false;
        if (!claimIt(kslot("mp", n)))
            return false;
        c.destination(n).MP = p.has("type") ? 1 : 2;
        return true;
    }
    if (cmd == QLatin1String("set ppp")) {
        const bool bod = p.keysAre({"ppp", "uprate", "uptime", "downrate", "downtime"});
        const bool user = p.keysAre({"ppp", "user"});
        const bool pass = p.keysAre({"ppp", "pass"});
        const bool leasedUser = p.keysAre({"ppp", "user", "password"});
        const bool auth = p.keysAre({"ppp", "over", "authentication"});
        const bool comp = p.keysAre({"ppp", "compression", "compalgorithm"}) && p.is("compression", "on");
        if (!(bod || user || pass || leasedUser || auth || comp))
            return bad();
        int16 method = 0;
        if (auth) {
            const QString m = v("authentication").toUpper();
            method = m == QLatin1String("CHAP") ? 0 : m == QLatin1String("PAP") ? 1 : m == QLatin1String("EITHER") ? 2 : -1;
            if (method < 0)
                return bad(outOfRange(QStringLiteral("authentication"), v("authentication")));
        }
        int16 algorithm = 0;
        if (comp) {
            const QString a = v("compalgorithm").toUpper();
            algorithm = a == QLatin1String("STACLZS") ? 1 : a == QLatin1String("PREDICTOR") ? 2 : 0;
            if (algorithm == 0)
                return bad(outOfRange(QStringLiteral("compalgorithm"), v("compalgorithm")));
        }
        if (bod) {
            for (const char *key : {"uprate", "uptime", "downrate", "downtime"})
                if (!isNumberIn(v(key), 0, 999999999))
                    return bad(outOfRange(QLatin1String(key), v(key)));
        }
        if ((user || pass || leasedUser) && (v("user").isEmpty() && v("pass").isEmpty() && v("password").isEmpty()))
            return bad();
        const int n = destination(p, QStringLiteral("ppp"), QString(), line, text);
        if (n == 0)
            return false;
        if (auth) {
            const bool overFits = p.is("over", "tdm-remote") ? n == 1
                                                              : destinationOf(v("over"), QStringLiteral("isdn-remote")) == n;
            if (!overFits)
                return bad(outOfRange(QStringLiteral("over"), v("over")));
        }
        Destination &d = c.destination(n);
        if (bod) {
            if (!claimIt(kslot("bod", n)))
                return false;
            c.bod(n) = {v("uprate"), v("uptime"), v("downrate"), v("downtime")};
        } else if (user) {
            if (!claimIt(kslot("user", n)))
                return false;
            d.UserName = v("user");
        } else if (pass) {
            if (!claimIt(kslot("pass", n)))
                return false;
            d.UserPass = v("pass");
        } else if (leasedUser) {
            if (v("user").isEmpty() || v("password").isEmpty())
                return bad();
            if (!claimIt(kslot("user", n)))
                return false;
            d.UserName = v("user");
            d.UserPass = v("password");
        } else if (auth) {
            if (!claimIt(kslot("auth", n)))
                return false;
            d.Authentication = 1;
            d.PPPAuth = method;
        } else {
            if (!claimIt(kslot("comp", n)))
                return false;
            d.Comp = algorithm;
        }
        return true;
    }
    if (cmd == QLatin1String("set enco sw")) {
        if (!p.keysAre({}, {"stacchannels", "predchannels"}) || p.pairs.isEmpty())
            return bad();
        return claimIt(cmd);
    }
    if (cmd == QLatin1String("set bri")) {
        if (!p.keysAre({"bri", "mode", "act", "tdmslots"}) || v("bri") != QLatin1String("0") || !p.is("mode", "tdm")
            || !p.is("act", "always"))
            return bad();
        const QString tdmSlots = v("tdmslots");
        if (tdmSlots != QLatin1String("1") && tdmSlots != QLatin1String("1-2"))
            return bad(outOfRange(QStringLiteral("tdmslots"), tdmSlots));
        if (!claimIt(cmd))
            return false;
        c.Common.ConnectType = tdmSlots == QLatin1String("1") ? 1 : 2;
        return true;
    }
    if (cmd == QLatin1String("create tdm")) {
        if (!p.keysAre({"group", "int", "slots"}) || !p.is("group", "remote") || !p.is("int", "bri0"))
            return bad();
        return claimIt(cmd);
    }
    if (cmd == QLatin1String("add ip filter")) {
        if (p.keysAre({"filter", "source", "smask", "sport", "protocol", "action"}))
            return claimIt(QStringLiteral("filter-") + v("sport"));
        if (p.keysAre({"filter", "source", "action"}))
            return claimIt(QStringLiteral("filter-include"));
        return bad();
    }
    if (cmd == QLatin1String("add ip")) {
        if (p.is("int", "eth0")) {
            if (!p.keysAre({"int", "ip", "mask"}, {"filter"}) || (p.has("filter") && v("filter") != QLatin1String("1")))
                return bad();
            if (!IsDottedQuad(v("ip")) || !IsDottedQuad(v("mask")))
                return bad(outOfRange(QStringLiteral("ip"), v("ip") + QStringLiteral(" mask=") + v("mask")));
            if (!claimIt(QStringLiteral("eth")))
                return false;
            c.Common.EthIP = v("ip");
            c.Common.EthMask = v("mask");
            c.Common.Filter = p.has("filter") ? 1 : 0;
            return true;
        }
        if (!p.keysAre({"int", "ip"}, {"mask", "vjc"}) || (p.has("vjc") && !p.is("vjc", "on")))
            return bad();
        const int n = destination(p, QStringLiteral("int"), QStringLiteral("ppp"), line, text);
        if (n == 0)
            return false;
        if (!claimIt(kslot("address", n)))
            return false;
        m_interfaces[n] = {v("ip"), v("mask"), p.has("mask"), p.has("vjc")};
        m_block = n;
        m_blockRoute = false;
        return true;
    }
    if (cmd == QLatin1String("add ip rip")) {
        if (!p.keysAre({"int"}))
            return bad();
        if (p.is("int", "eth0")) {
            if (!claimIt(QStringLiteral("ethrip")))
                return false;
            c.Common.EthRIP = 1;
            m_block = 0;
            return true;
        }
        const int n = destination(p, QStringLiteral("int"), QStringLiteral("ppp"), line, text);
        if (n == 0 || !claimIt(kslot("rip", n)))
            return false;
        c.destination(n).PPPRIP = 1;
        if (n != m_block)
            m_block = 0;
        return true;
    }
    if (cmd == QLatin1String("add ip route"))
        return placeRoute(p, line, text);
    if (cmd == QLatin1String("add ip nat"))
        return placeNat(p, line, text);
    if (cmd == QLatin1String("set log"))
        return p.keysAre({"utcoffset"}) ? claimIt(cmd) : bad();
    if (cmd == QLatin1String("create log")) {
        if (!p.keysAre({"output", "dest", "server"}) || v("output") != QLatin1String("1") || !p.is("dest", "syslog"))
            return bad();
        if (!IsDottedQuad(v("server")))
            return bad(outOfRange(QStringLiteral("server"), v("server")));
        if (!claimIt(cmd))
            return false;
        c.Common.Syslog = v("server");
        return true;
    }
    if (cmd == QLatin1String("add log"))
        return p.keysAre({"output", "filter", "severity", "action"}) ? claimIt(cmd) : bad();
    if (cmd == QLatin1String("create dhcp")) {
        if (p.keysAre({"policy", "lease"}) && p.is("policy", "base")) {
            if (!isNumberIn(v("lease"), 3600, 999999999))
                return bad(outOfRange(QStringLiteral("lease"), v("lease")));
            if (!claimIt(QStringLiteral("lease")))
                return false;
            c.Common.DHCP_Lease = v("lease");
            return true;
        }
        if (p.keysAre({"range", "policy", "ip", "number"}) && p.is("policy", "base")) {
            if (!IsDottedQuad(v("ip")))
                return bad(outOfRange(QStringLiteral("IP"), v("ip")));
            if (!isNumberIn(v("number"), 1, 255))
                return bad(outOfRange(QStringLiteral("number"), v("number")));
            if (!claimIt(QStringLiteral("range")))
                return false;
            c.Common.DHCP_IP = v("ip");
            c.Common.DHCP_Num = v("number");
            return true;
        }
        return bad();
    }
    if (cmd == QLatin1String("add dhcp")) {
        for (const char *key : {"subnet", "router", "dnsserver"}) {
            if (p.keysAre({"policy", key}) && p.is("policy", "base")) {
                if (!IsDottedQuad(v(key)))
                    return bad(outOfRange(QLatin1String(key), v(key)));
                if (!claimIt(QLatin1String(key)))
                    return false;
                QString &field = key[0] == 's' ? c.Common.DHCP_Mask : key[0] == 'r' ? c.Common.DHCP_Router : c.Common.DHCP_DNS;
                field = v(key);
                return true;
            }
        }
        return bad();
    }
    if (cmd == QLatin1String("create pbx")) {
        if (!p.keysAre({"extension", "port", "group", "name"}, {"terminate"}) || v("port") != v("extension"))
            return bad();
        const QString ext = v("extension");
        if (ext != QLatin1String("0") && ext != QLatin1String("1"))
            return bad(outOfRange(QStringLiteral("extension"), ext));
        if (p.has("terminate") && !isNumberIn(v("terminate"), 1, 60))
            return bad(outOfRange(QStringLiteral("terminate"), v("terminate")));
        if (m_pbxPorts >= 2 || !claimIt(QStringLiteral("pbx") + ext))
            return m_pbxPorts >= 2 ? bad(QStringLiteral("アナログポートは二つだけです。")) : false;
        // The first extension written is the first analog port.
        const int16 choice = int16(ext.toInt());
        if (m_pbxPorts++ == 0) {
            c.setAnalogPort(0, choice);
            c.Common.AutoHash1 = p.has("terminate") ? 1 : 0;
            if (p.has("terminate"))
                c.Common.AutoHashTimer1 = v("terminate");
        } else {
            c.Common.AutoHash2 = p.has("terminate") ? 1 : 0;
            if (p.has("terminate"))
                c.Common.AutoHashTimer2 = v("terminate");
        }
        return true;
    }
    if (cmd == QLatin1String("set pbx")) {
        if (!p.keysAre({"extension", "numaccept"}) || v("numaccept").isEmpty())
            return bad();
        const QString ext = v("extension");
        if (ext != QLatin1String("0") && ext != QLatin1String("1"))
            return bad(outOfRange(QStringLiteral("extension"), ext));
        if (!claimIt(QStringLiteral("numaccept") + ext))
            return false;
        m_numAccept[ext.toInt()] = v("numaccept");
        return true;
    }
    return bad(Unknown);
}

void Reader::settle()
{
    const bool dialUp = !c.Common.isLeasedLine();
    c.TabCount = int16(dialUp ? m_highest + 1 : 2);
    for (auto &[n, face] : m_interfaces) {
        Destination &d = c.destination(n);
        d.VJC = face.vjc ? 1 : 0;
        if (dialUp && d.Type == 1)
            continue;
        if (face.hasMask) {
            d.PPPDyn = 0, d.PPPIP = face.ip, d.PPPMask = face.mask;
        } else {
            d.PPPDyn = 1, d.PPPIP = QStringLiteral("0.0.0.0"), d.PPPMask = QStringLiteral("0.0.0.0");
        }
    }
    // The users carry no destination number: they belong, in order, to the
    // destinations that authenticate.
    size_t next = 0;
    for (int n = 1; n < c.TabCount && n <= MaxDestinations; ++n) {
        Destination &d = c.destination(n);
        if (d.Authentication == 1 && next < m_users.size()) {
            d.AuthName = m_users[next].name;
            d.AuthPass = m_users[next].pass;
            ++next;
        }
    }
    for (; next < m_users.size(); ++next) {
        const User &u = m_users[next];
        unplaced(u.line, u.text, LeftOverUser);
        for (auto it = m_placed.begin(); it != m_placed.end(); ++it)
            if (it->line == u.line) {
                m_placed.erase(it);
                break;
            }
    }
    for (const auto &[ext, number] : m_numAccept) {
        if (ext == c.Common.ANALOG1) {
            c.Common.Grobal = number.compare(QLatin1String("notpresent"), Qt::CaseInsensitive) == 0 ? 1 : 0;
            c.Common.PBX_Number = number;
        } else {
            c.Common.PBX_DialIn = number;
        }
    }
    // A new configuration offers a subnet mask; a DHCP server written
    // without one had the box emptied.
    if (c.Common.DHCP == 1 && m_slots.find(QStringLiteral("subnet")) == m_slots.end())
        c.Common.DHCP_Mask.clear();
    c.DefaultRouteTaken = c.defaultRouteCarried();
}

// A line that was placed but that the script made from the result would not
// hold has no effect where it stands (a filter line without the filter on
// the Ethernet side, an address line at odds with its destination's type):
// reported rather than passed over.
void Reader::reportWhatHasNoEffect()
{
    Configuration copy = c;
    AnswerPrompt no(false);
    const QString again = GenerateScript(copy, no);
    QHash<QString, int> available;
    for (const QString &line : again.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        ++available[parse(line).normalized()];
    for (const Placed &placed : m_placed) {
        int &left = available[placed.normalized];
        if (left > 0)
            --left;
        else
            unplaced(placed.line, placed.text, NoEffect);
    }
}

ScriptReadResult Reader::read(const QString &text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        const int number = i + 1;
        const Parsed p = parse(line);
        if (!p.fault.isEmpty()) {
            unplaced(number, line, p.fault);
            continue;
        }
        if (p.words.isEmpty()) {
            unplaced(number, line, Unknown);
            continue;
        }
        if (place(p, number, line))
            m_placed.push_back({number, line, p.normalized()});
    }
    settle();
    reportWhatHasNoEffect();
    std::stable_sort(m_out.unplaced.begin(), m_out.unplaced.end(),
                     [](const UnplacedLine &a, const UnplacedLine &b) { return a.line < b.line; });
    return m_out;
}

} // namespace

ScriptReadResult readScript(const QString &text)
{
    return Reader().read(text);
}

ScriptReadResult readScriptBytes(const QByteArray &bytes)
{
    if (bytes.size() > MaxScriptSize) {
        ScriptReadResult tooLarge;
        tooLarge.unplaced.append({0, QString(), QStringLiteral("ファイルが大きすぎます。")});
        return tooLarge;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString asUtf8 = utf8.decode(bytes);
    if (!utf8.hasError())
        return readScript(asUtf8);
    return readScript(ShiftJis::decode(bytes));
}

} // namespace mg
