#include "RcfFile.h"

#include "NumericText.h"
#include "ShiftJis.h"

#include <QStringList>
#include <optional>

namespace mg {

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString ErrorTitle = QStringLiteral("エラー");

// ---------------------------------------------------------------- writing

class LineWriter {
public:
    void line(const QString &text) { m_text += text + CrLf; }
    void key(const char *key, const QString &value)
    {
        const QString line = QLatin1String(key) + QLatin1Char('=') + value;
        if (m_broken.isEmpty() && (value.contains(QLatin1Char('\r')) || value.contains(QLatin1Char('\n'))))
            m_broken = line.section(QLatin1Char('\n'), 0, 0).remove(QLatin1Char('\r'));
        this->line(line);
    }
    void key(const char *key, int value) { this->key(key, QString::number(value)); }
    QString text() const { return m_text; }
    // The first line whose value holds a line break, or empty.
    QString broken() const { return m_broken; }

private:
    QString m_text;
    QString m_broken;
};

QString orDefault(const QString &value, const QString &fallback)
{
    return value.isEmpty() ? fallback : value;
}

void writeEnatGroup(LineWriter &w, const EnatEntry &e)
{
    w.key("NATType", e.NATType);
    switch (e.NATType) {
    case 0:
        w.key("PrivateIP", e.PrivateIP);
        w.key("GlobalIP", e.GlobalIP);
        break;
    case 1:
        w.key("PrivateIP", e.PrivateIP);
        w.key("PrivateMask", e.PrivateMask);
        w.key("GlobalIP", e.GlobalIP);
        w.key("GlobalMask", e.GlobalMask);
        break;
    case 2:
        w.key("PrivateIP", e.PrivateIP);
        w.key("Protocol", e.Protocol);
        w.key("PrivatePort", e.PrivatePort);
        w.key("GlobalIP", e.GlobalIP);
        w.key("GlobalPort", e.GlobalPort);
        break;
    case 3:
        w.key("PrivateIP", e.PrivateIP);
        w.key("PrivateMask", e.PrivateMask);
        if (!e.GlobalInterFace.isEmpty())
            w.key("GlobalInterFace", e.GlobalInterFace);
        else
            w.key("GlobalIP", e.GlobalIP);
        break;
    default:
        w.key("PrivateIP", e.PrivateIP);
        break;
    }
}

void writeDestination(LineWriter &w, int n, const Destination &d, const BodSetting &b)
{
    w.key("Tab", n);
    w.key("Type", d.Type);
    w.key("ISDN_Num", d.ISDN_Num);
    w.key("ISDN_ALTNum", d.ISDN_ALTNum);
    w.key("CallBack", d.CallBack);
    w.key("CBTimer", d.CBTimer);
    w.key("UserName", d.UserName);
    w.key("UserPass", d.UserPass);
    w.key("Comp", d.Comp);
    if (d.Authentication == 1) {
        w.key("Authentication", 1);
        w.key("PPPAuth", d.PPPAuth);
        w.key("AuthName", d.AuthName);
        w.key("AuthPass", d.AuthPass);
    }
    w.key("Idle", d.Idle);
    w.key("LQR", d.LQR);
    w.key("PPPDyn", d.PPPDyn);
    w.key("PPPIP", d.PPPIP);
    w.key("PPPMask", d.PPPMask);
    w.key("VJC", d.VJC);
    w.key("DefRoute", d.DefRoute);
    w.key("PPPRIP", d.PPPRIP);
    if (d.StaticRoute == 1) {
        w.key("StaticRoute", 1);
        w.key("RouteIP", d.RouteIP);
        w.key("RouteNetMask", d.RouteNetMask);
        w.key("RouteNextHop", d.RouteNextHop);
    }
    w.key("MP", d.MP);
    const BodSetting fallback = BodSetting::defaults();
    w.key("Uprate", orDefault(b.Uprate, fallback.Uprate));
    w.key("Uptime", orDefault(b.Uptime, fallback.Uptime));
    w.key("Downrate", orDefault(b.Downrate, fallback.Downrate));
    w.key("Downtime", orDefault(b.Downtime, fallback.Downtime));
    w.key("EndTab", n);
    w.line(QString());
    w.line(QString());
}

bool countsInRange(const Configuration &c)
{
    return c.TabCount >= 2 && c.TabCount <= MaxDestinations + 1 && c.RouteCount >= 0
           && c.RouteCount <= MaxRoutes && c.EnatCount >= 0 && c.EnatCount <= MaxEnatEntries;
}

// A line shortened for a message box: a hostile file may hold a line of
// megabytes.
QString excerpt(const QString &line)
{
    constexpr int Max = 60;
    if (line.size() <= Max)
        return line;
    return line.left(Max) + QStringLiteral("…");
}

// Encodes the text; on failure names the first line that cannot be stored.
RcfWriteResult encodeLines(const QString &text)
{
    RcfWriteResult result;
    if (const std::optional<QByteArray> bytes = ShiftJis::encode(text)) {
        result.ok = true;
        result.bytes = *bytes;
        return result;
    }
    QString offending;
    for (const QString &line : text.split(CrLf)) {
        if (!ShiftJis::encode(line)) {
            offending = line;
            break;
        }
    }
    result.errorText = QStringLiteral("次の値にはファイルに保存できない文字が含まれているため、保存できません。")
                       + CrLf + excerpt(offending);
    return result;
}

// ---------------------------------------------------------------- reading

// What a key's value sets and how its control behaves.
template <typename Record>
struct Field {
    const char *key;
    QString Record::*text = nullptr;
    int16 Record::*number = nullptr;
    int choices = 0;            // >0: a list position or check box, 0..choices-1
    bool marksChanged = true;   // the control's change handler marks the configuration changed
};

using CommonField = Field<CommonSettings>;
using DestinationField = Field<Destination>;

CommonField text(const char *key, QString CommonSettings::*m, bool marks = true)
{
    return {key, m, nullptr, 0, marks};
}
CommonField choice(const char *key, int16 CommonSettings::*m, int choices)
{
    return {key, nullptr, m, choices, true};
}
DestinationField text(const char *key, QString Destination::*m, bool marks = true)
{
    return {key, m, nullptr, 0, marks};
}
DestinationField number(const char *key, int16 Destination::*m, int choices, bool marks = true)
{
    return {key, nullptr, m, choices, marks};
}

const QList<CommonField> &commonFields()
{
    static const QList<CommonField> fields = {
        choice("ConnectType", &CommonSettings::ConnectType, 3),
        text("EthIP", &CommonSettings::EthIP),
        text("EthMask", &CommonSettings::EthMask),
        choice("EthRIP", &CommonSettings::EthRIP, 2),
        choice("Filter", &CommonSettings::Filter, 2),
        text("Syslog", &CommonSettings::Syslog),
        choice("DHCP", &CommonSettings::DHCP, 2),
        text("DHCP_IP", &CommonSettings::DHCP_IP),
        text("DHCP_Num", &CommonSettings::DHCP_Num),
        text("DHCP_Mask", &CommonSettings::DHCP_Mask),
        text("DHCP_Router", &CommonSettings::DHCP_Router),
        text("DHCP_DNS", &CommonSettings::DHCP_DNS),
        text("DHCP_Lease", &CommonSettings::DHCP_Lease),
        choice("Grobal", &CommonSettings::Grobal, 2),
        choice("ANALOG1", &CommonSettings::ANALOG1, 2),
        text("PBX_Number", &CommonSettings::PBX_Number),
        choice("AutoHash1", &CommonSettings::AutoHash1, 2),
        text("AutoHashTimer1", &CommonSettings::AutoHashTimer1, false),
        choice("ANALOG2", &CommonSettings::ANALOG2, 2),
        text("PBX_DialIn", &CommonSettings::PBX_DialIn),
        choice("AutoHash2", &CommonSettings::AutoHash2, 2),
        text("AutoHashTimer2", &CommonSettings::AutoHashTimer2, false),
    };
    return fields;
}

const QList<DestinationField> &destinationFields()
{
    static const QList<DestinationField> fields = {
        number("Type", &Destination::Type, 2),
        text("ISDN_Num", &Destination::ISDN_Num),
        text("ISDN_ALTNum", &Destination::ISDN_ALTNum),
        number("CallBack", &Destination::CallBack, 2),
        number("CBTimer", &Destination::CBTimer, 0, false),
        text("UserName", &Destination::UserName),
        text("UserPass", &Destination::UserPass),
        number("Comp", &Destination::Comp, 3),
        number("Authentication", &Destination::Authentication, 2),
        number("PPPAuth", &Destination::PPPAuth, 3),
        text("AuthName", &Destination::AuthName),
        text("AuthPass", &Destination::AuthPass),
        text("Idle", &Destination::Idle),
        number("LQR", &Destination::LQR, 2, false),
        number("PPPDyn", &Destination::PPPDyn, 2),
        text("PPPIP", &Destination::PPPIP),
        text("PPPMask", &Destination::PPPMask),
        number("VJC", &Destination::VJC, 2),
        number("DefRoute", &Destination::DefRoute, 2),
        number("PPPRIP", &Destination::PPPRIP, 2),
        number("StaticRoute", &Destination::StaticRoute, 2),
        text("RouteIP", &Destination::RouteIP),
        text("RouteNetMask", &Destination::RouteNetMask),
        text("RouteNextHop", &Destination::RouteNextHop, false),
        number("MP", &Destination::MP, 3),
    };
    return fields;
}

template <typename Record>
const Field<Record> *findField(const QList<Field<Record>> &fields, QStringView key)
{
    for (const Field<Record> &f : fields) {
        if (key == QLatin1String(f.key))
            return &f;
    }
    return nullptr;
}

// A line's key is the text before its first "=", so a value may hold any
// text, "=" and other keys' names included. A line without "=" is its own key
// ("EndENATList"). Blanks around a key, as an editor may leave them, do not
// hide it.
QStringView keyOf(QStringView line)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    return eq < 0 ? line.trimmed() : line.left(eq).trimmed();
}

QString valueOf(QStringView line)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    return eq < 0 ? QString() : line.mid(eq + 1).toString();
}

// Lines end with CR LF; a file edited elsewhere may end them with LF or CR
// alone. Taking all three keeps any CR or LF out of the values, so whatever
// is read can be written back as it was read.
QStringList splitLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < size && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.append(text.mid(start));
    return lines;
}

struct Stop {};

class Reader {
public:
    Reader(QStringList lines, const Configuration &current) : m_lines(std::move(lines))
    {
        m_result.config = current;
        Configuration &c = m_result.config;
        const int16 tabs = c.TabCount;
        c.reset();
        c.TabCount = tabs;
        // The destination controls after a reset: the record defaults, but
        // the route mask box shows its display default.
        m_controls.RouteNetMask = QStringLiteral("255.255.255.0");
    }

    RcfReadResult run()
    {
        try {
            readAll();
            m_result.ok = true;
            m_result.config.Saved = !m_changed;
        } catch (const Stop &) {
            m_result.ok = false;
        }
        return std::move(m_result);
    }

private:
    Configuration &config() { return m_result.config; }

    [[noreturn]] void stop(const FileMessage &message, const QString &description, qsizetype line)
    {
        m_result.error = {message, description, int(line)};
        throw Stop{};
    }

    [[noreturn]] void stopAtLine(const QString &reason)
    {
        const QString text = QStringLiteral("設定ファイルの%1行目が正しくありません。").arg(m_pos) + CrLf
                             + excerpt(m_lines.value(m_pos - 1)) + CrLf + reason;
        stop({text, ErrorTitle}, reason, m_pos);
    }

    [[noreturn]] void stopAtEnd(const QString &where)
    {
        const QString text = QStringLiteral("設定ファイルが%1の途中で終わっています。").arg(where);
        stop({text, ErrorTitle}, text, m_lines.size());
    }

    // The next line, or nothing at the end of the file. m_pos is the 1-based
    // number of the line last returned.
    std::optional<QString> next()
    {
        if (m_pos >= m_lines.size())
            return std::nullopt;
        return m_lines.at(m_pos++);
    }

    QString nextInside(const QString &where)
    {
        std::optional<QString> line = next();
        if (!line)
            stopAtEnd(where);
        return *line;
    }

    // A count of a table: 0 .. max, anything else stops the open.
    int count(const QString &value, int max, const QString &what)
    {
        const int n = numericValue(value);
        if (n < 0 || n > max)
            stopAtLine(QStringLiteral("%1は0から%2まででなければなりません。").arg(what).arg(max));
        return n;
    }

    // The value of a list position or check box, refused when no choice of the
    // control has that position.
    int16 choiceValue(const char *key, const QString &value, int choices)
    {
        const int16 n = numericValue(value);
        if (choices > 0 && (n < 0 || n >= choices)) {
            stopAtLine(QStringLiteral("%1 の値 %2 は選択できる値ではありません（0～%3）。")
                           .arg(QLatin1String(key))
                           .arg(n)
                           .arg(choices - 1));
        }
        return n;
    }

    void readAll()
    {
        const std::optional<QString> first = next();
        if (!first || keyOf(*first) != QLatin1String("Count"))
            stop({ErrorTitle, QStringLiteral("ファイルを開く")},
                 QStringLiteral("Count= で始まっていません。設定ファイル(.rcf)ではないようです。"), 1);
        const int destinations = numericValue(valueOf(*first));
        if (destinations < 1 || destinations > MaxDestinations)
            stopAtLine(QStringLiteral("接続先の数は1から%1まででなければなりません。").arg(MaxDestinations));
        config().TabCount = int16(destinations + 1);

        bool destinationsRead = false;
        while (const std::optional<QString> line = next()) {
            const QStringView key = keyOf(*line);
            const QString value = valueOf(*line);
            if (key == QLatin1String("RouteNumber")) {
                readRoutes(value);
            } else if (key == QLatin1String("ENATListNum")) {
                readEnatList(value);
            } else if (key == QLatin1String("Tab")) {
                // Only the first Tab= line starts the destinations; the blocks
                // consume every later one.
                if (!destinationsRead) {
                    destinationsRead = true;
                    readDestinations();
                }
            } else if (const CommonField *field = findField(commonFields(), key)) {
                applyCommon(*field, value);
            }
        }
    }

    void applyCommon(const CommonField &field, const QString &value)
    {
        Configuration &c = config();
        const QLatin1String key(field.key);
        bool changed = false;
        if (field.text) {
            changed = c.Common.*field.text != value;
            if (key == QLatin1String("EthIP"))
                c.setEthIP(value);
            else if (key == QLatin1String("EthMask"))
                c.setEthMask(value);
            else
                c.Common.*field.text = value;
        } else {
            const int16 n = choiceValue(field.key, value, field.choices);
            changed = c.Common.*field.number != n;
            if (key == QLatin1String("ConnectType"))
                c.setConnectType(n);
            else if (key == QLatin1String("ANALOG1"))
                c.setAnalogPort(0, n);
            else if (key == QLatin1String("ANALOG2"))
                c.setAnalogPort(1, n);
            else
                c.Common.*field.number = n;
        }
        if (changed && field.marksChanged)
            m_changed = true;
    }

    void readRoutes(const QString &value)
    {
        const int n = count(value, MaxRoutes, QStringLiteral("スタティックルートの数"));
        if (n == 0)
            return;
        Configuration &c = config();
        const QString where = QStringLiteral("スタティックルート");
        for (int i = 0; i < n; ++i) {
            StaticRouteEntry &route = c.StaticRouteList[i];
            for (int j = 0; j < 5; ++j) {
                const QString line = nextInside(where);
                const QStringView key = keyOf(line);
                if (key == QLatin1String("IP"))
                    route.IP = valueOf(line);
                else if (key == QLatin1String("Mask"))
                    route.Mask = valueOf(line);
                else if (key == QLatin1String("int"))
                    route.Int = valueOf(line);
                else if (key == QLatin1String("NextHop"))
                    route.NextHop = valueOf(line);
            }
        }
        c.RouteCount = int16(n);
        c.RouteCommands.clear();
    }

    void readEnatList(const QString &value)
    {
        const int n = count(value, MaxEnatEntries, QStringLiteral("ENATエントリの数"));
        if (n == 0)
            return;
        Configuration &c = config();
        const QString where = QStringLiteral("ENATの設定");
        const QString firstLine = nextInside(where);
        if (keyOf(firstLine) != QLatin1String("NATType"))
            stop({ErrorTitle, QString()}, QStringLiteral("ENATListNum= の次の行が NATType= ではありません。"), m_pos);
        int index = 0;
        c.EnatList[0].NATType = numericValue(valueOf(firstLine));
        const QString mismatch = QStringLiteral("ENATエントリの数が ENATListNum=%1 と一致しません。").arg(n);
        for (;;) {
            const QString line = nextInside(where);
            const QStringView key = keyOf(line);
            if (key == QLatin1String("EndENATList"))
                break;
            const QString v = valueOf(line);
            if (key == QLatin1String("NATType")) {
                if (++index >= n)
                    stopAtLine(mismatch);
                c.EnatList[index].NATType = numericValue(v);
                continue;
            }
            EnatEntry &e = c.EnatList[index];
            if (key == QLatin1String("PrivatePort") || key == QLatin1String("GlobalPort")) {
                // Ports go up to 65535: the 16-bit parse would turn a saved
                // 40000 into 32767 at the next open.
                const std::int64_t port = leadingNumber(v);
                if (port != 0)
                    (key == QLatin1String("PrivatePort") ? e.PrivatePort : e.GlobalPort) = QString::number(port);
                continue;
            }
            if (v.isEmpty())
                continue;
            if (key == QLatin1String("PrivateIP"))
                e.PrivateIP = v;
            else if (key == QLatin1String("PrivateMask"))
                e.PrivateMask = v;
            else if (key == QLatin1String("Protocol"))
                e.Protocol = v;
            else if (key == QLatin1String("GlobalInterFace"))
                e.GlobalInterFace = v;
            else if (key == QLatin1String("GlobalIP"))
                e.GlobalIP = v;
            else if (key == QLatin1String("GlobalMask"))
                e.GlobalMask = v;
        }
        if (index + 1 != n)
            stopAtLine(mismatch);
        c.EnatCount = int16(n);
        c.EnatCommands.clear();
    }

    void readDestinations()
    {
        const int blocks = config().TabCount - 1;
        for (int n = 1; n <= blocks; ++n) {
            const QString where = QStringLiteral("接続先%1の設定").arg(n);
            if (n == 1) {
                // The first block must open with its Type= line; the window
                // reports a block that does not and reads on.
                if (m_pos >= m_lines.size())
                    stopAtEnd(where);
                if (keyOf(m_lines.at(m_pos)) != QLatin1String("Type"))
                    m_result.warnings.append({{ErrorTitle, QString()},
                                              QStringLiteral("Tab= の次の行が Type= ではありません。"),
                                              int(m_pos + 1)});
            }
            for (;;) {
                const QString line = nextInside(where);
                const QStringView key = keyOf(line);
                if (key == QLatin1String("EndTab"))
                    break;
                const DestinationField *field = findField(destinationFields(), key);
                if (!field)
                    continue;
                applyDestination(n, *field, valueOf(line));
                if (key == QLatin1String("MP") && config().destination(n).MP == 1)
                    readBod(n, where);
            }
            // Thresholds belong to bandwidth on demand only: a block whose
            // last MP= is not 1 keeps none, even after an earlier MP=1.
            if (config().destination(n).MP != 1)
                config().bod(n) = BodSetting{};
            config().settleBodThresholds(n);
        }
    }

    void applyDestination(int n, const DestinationField &field, const QString &value)
    {
        Destination &d = config().destination(n);
        bool changed = false;
        if (field.text) {
            changed = m_controls.*field.text != value;
            m_controls.*field.text = value;
            d.*field.text = value;
        } else {
            const int16 v = choiceValue(field.key, value, field.choices);
            changed = m_controls.*field.number != v;
            m_controls.*field.number = v;
            d.*field.number = v;
            if (field.number == &Destination::DefRoute && v != 0)
                config().DefaultRouteTaken = true;
        }
        if (changed && field.marksChanged)
            m_changed = true;
    }

    // Bandwidth on demand: the four lines after MP=1 are its thresholds.
    void readBod(int n, const QString &where)
    {
        BodSetting &b = config().bod(n);
        for (int j = 0; j < 4; ++j) {
            const QString line = nextInside(where);
            const QStringView key = keyOf(line);
            // Times go up to 65535, beyond the 16-bit parse.
            const QString v = QString::number(leadingNumber(valueOf(line)));
            if (key == QLatin1String("Uprate"))
                b.Uprate = v;
            else if (key == QLatin1String("Uptime"))
                b.Uptime = v;
            else if (key == QLatin1String("Downrate"))
                b.Downrate = v;
            else if (key == QLatin1String("Downtime"))
                b.Downtime = v;
            else if (key == QLatin1String("EndTab"))
                stopAtLine(QStringLiteral("BODの設定が4行ありません。"));
        }
    }

    QStringList m_lines;
    qsizetype m_pos = 0;
    RcfReadResult m_result;
    Destination m_controls;
    bool m_changed = false;
};

} // namespace

namespace {

void writeAll(LineWriter &w, const Configuration &c)
{
    const CommonSettings &s = c.Common;
    w.key("Count", c.TabCount - 1);
    w.key("ConnectType", s.ConnectType);
    w.key("EthIP", s.EthIP);
    w.key("EthMask", s.EthMask);
    w.key("EthRIP", s.EthRIP);
    if (c.RouteCount > 0) {
        w.key("RouteNumber", c.RouteCount);
        for (int i = 0; i < c.RouteCount && i < MaxRoutes; ++i) {
            const StaticRouteEntry &r = c.StaticRouteList[i];
            w.key("Route", i);
            w.key("IP", r.IP);
            w.key("Mask", r.Mask);
            w.key("int", r.Int);
            w.key("NextHop", r.NextHop);
        }
    }
    w.key("Filter", s.Filter);
    if (c.EnatCount > 0) {
        w.key("ENATListNum", c.EnatCount);
        for (int i = 0; i < c.EnatCount && i < MaxEnatEntries; ++i)
            writeEnatGroup(w, c.EnatList[i]);
        w.line(QStringLiteral("EndENATList"));
    }
    w.key("Syslog", s.Syslog);
    if (s.DHCP == 1) {
        w.key("DHCP", 1);
        w.key("DHCP_IP", s.DHCP_IP);
        w.key("DHCP_Num", s.DHCP_Num);
        w.key("DHCP_Mask", s.DHCP_Mask);
        w.key("DHCP_Router", s.DHCP_Router);
        w.key("DHCP_DNS", s.DHCP_DNS);
        w.key("DHCP_Lease", s.DHCP_Lease);
    }
    if (s.ConnectType == 0) {
        w.key("Grobal", s.Grobal);
        w.key("ANALOG1", s.ANALOG1);
        w.key("PBX_Number", s.PBX_Number);
        w.key("AutoHash1", s.AutoHash1);
        w.key("AutoHashTimer1", s.AutoHashTimer1);
        w.key("ANALOG2", s.ANALOG2);
        w.key("PBX_DialIn", s.PBX_DialIn);
        w.key("AutoHash2", s.AutoHash2);
        w.key("AutoHashTimer2", s.AutoHashTimer2);
    }
    w.line(QString());
    w.line(QString());
    for (int n = 1; n < c.TabCount && n <= MaxDestinations; ++n)
        writeDestination(w, n, c.DestinationTable[n], c.BodTable[n]);
}

} // namespace

QString rcfText(const Configuration &config)
{
    LineWriter w;
    writeAll(w, config);
    return w.text();
}

RcfWriteResult writeRcf(const Configuration &config)
{
    if (!countsInRange(config)) {
        RcfWriteResult result;
        result.errorText = QStringLiteral("接続先・スタティックルート・ENATエントリの数が範囲外のため、保存できません。");
        return result;
    }
    LineWriter w;
    writeAll(w, config);
    // Every value sits on its own line; a line break inside one would turn
    // the rest of the value into lines of its own, read back as other keys.
    if (!w.broken().isEmpty()) {
        RcfWriteResult result;
        result.errorText = QStringLiteral("次の値には改行が含まれているため、保存できません。") + CrLf
                           + excerpt(w.broken());
        return result;
    }
    return encodeLines(w.text());
}

RcfWriteResult writeScriptFile(const QString &commandScript)
{
    RcfWriteResult result = encodeLines(commandScript + CrLf);
    if (!result.ok)
        result.errorText = QStringLiteral("コマンドスクリプトにファイルに保存できない文字が含まれているため、保存できません。");
    return result;
}

RcfReadResult readRcf(const QByteArray &bytes, const Configuration &current)
{
    if (bytes.size() > MaxRcfFileSize) {
        const QString text = QStringLiteral("設定ファイルが大きすぎるため、開けません。");
        RcfReadResult result;
        result.error = {{text, ErrorTitle}, text, 0};
        return result;
    }
    // A file that is not Shift_JIS throughout is refused: reading on past a
    // substitute would store it and lose the original bytes at the next save.
    std::optional<QString> text = ShiftJis::decodeStrict(bytes);
    if (!text) {
        // Name the first line that is not Shift_JIS. Line breaks never occur
        // inside a double-byte character, so the bytes split safely.
        const QList<QByteArray> rawLines = bytes.split('\n');
        int bad = 1;
        for (qsizetype i = 0; i < rawLines.size(); ++i) {
            if (!ShiftJis::decodeStrict(rawLines[i])) {
                bad = int(i + 1);
                break;
            }
        }
        const QString text = QStringLiteral("設定ファイルの%1行目にShift_JISとして読めない文字があります。").arg(bad);
        RcfReadResult result;
        result.error = {{text, ErrorTitle}, text, bad};
        return result;
    }
    QStringList lines = splitLines(*text);
    return Reader(std::move(lines), current).run();
}

} // namespace mg
