#include "CommandOptions.h"

#include "AddressChecks.h"
#include "SerialLine.h"

#include <QFileInfo>
#include <QIODevice>

#include <algorithm>

namespace mg::cli {

void write(QIODevice &device, const QString &text)
{
    device.write(text.toUtf8());
}

int fail(QIODevice &err, const QString &message, int status)
{
    write(err, QStringLiteral("marrowgate: ") + message + QLatin1Char('\n'));
    return status;
}

std::optional<uint> decimal(const QString &text, uint low, uint high)
{
    if (text.isEmpty() || text.size() > 9)
        return std::nullopt;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    const uint value = text.toUInt();
    if (value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<QHostAddress> routerAddress(const QString &text)
{
    // Read as the window's address box reads it: QHostAddress would take
    // "010" as octal and "127.1" as shorthand, and log in somewhere else.
    const std::optional<quint32> value = readDottedQuad(text);
    if (!value)
        return std::nullopt;
    const QHostAddress address(*value);
    if (address == QHostAddress::AnyIPv4 || address == QHostAddress::Broadcast || address.isMulticast())
        return std::nullopt;
    return address;
}

QString RouterLineChoice::describe() const
{
    if (serial) {
        return QStringLiteral("シリアル %1 (%2)").arg(device, settings.describe());
    }
    return QStringLiteral("LAN %1 (Telnet ポート %2、TFTP ポート %3)")
        .arg(address.toString())
        .arg(telnetPort)
        .arg(tftpPort);
}

namespace {

template <typename Value>
struct Named {
    const char *name;
    Value value;
};

using Parity = SerialSettings::Parity;
using Flow = SerialSettings::Flow;

// The words the options take, and the settings they stand for.
constexpr Named<Parity> Parities[] = {{"none", Parity::None}, {"even", Parity::Even}, {"odd", Parity::Odd},
                                      {"mark", Parity::Mark}, {"space", Parity::Space}, {"n", Parity::None},
                                      {"e", Parity::Even},    {"o", Parity::Odd},       {"m", Parity::Mark},
                                      {"s", Parity::Space}};
constexpr Named<Flow> Flows[] = {{"none", Flow::None}, {"xon", Flow::XonXoff}, {"rts", Flow::Rts},
                                 {"xon-rts", Flow::XonRts}, {"0", Flow::None}, {"1", Flow::XonXoff},
                                 {"2", Flow::Rts},     {"3", Flow::XonRts}};
constexpr Named<SerialSettings::StopBits> StopBitWords[] = {{"1", SerialSettings::StopBits::One},
                                                            {"1.5", SerialSettings::StopBits::OneAndHalf},
                                                            {"2", SerialSettings::StopBits::Two}};

// The speeds the terminal interface offers by name (B50 to B4000000). Any
// other number would leave the driver to pick a speed of its own or refuse
// the port late, after the device has been opened.
constexpr uint SerialSpeeds[] = {50,      75,      110,     134,     150,     200,     300,    600,
                                 1200,    1800,    2400,    4800,    9600,    19200,   38400,  57600,
                                 115200,  230400,  460800,  500000,  576000,  921600,  1000000, 1152000,
                                 1500000, 2000000, 2500000, 3000000, 3500000, 4000000};

QString serialSpeedList()
{
    QStringList speeds;
    for (const uint speed : SerialSpeeds)
        speeds << QString::number(speed);
    return speeds.join(QStringLiteral(", "));
}

template <typename Value, size_t Size>
std::optional<Value> lookUp(const QString &word, const Named<Value> (&table)[Size])
{
    for (const Named<Value> &entry : table)
        if (word == QLatin1String(entry.name))
            return entry.value;
    return std::nullopt;
}

} // namespace

RouterLineOptions::RouterLineOptions()
    : m_serial(QStringLiteral("serial"), QString(), QStringLiteral("DEVICE")),
      m_lan(QStringLiteral("lan"), QString(), QStringLiteral("ADDRESS")),
      m_speed(QStringLiteral("speed"), QString(), QStringLiteral("N")),
      m_parity(QStringLiteral("parity"), QString(), QStringLiteral("P")),
      m_dataBits(QStringLiteral("data-bits"), QString(), QStringLiteral("N")),
      m_stopBits(QStringLiteral("stop-bits"), QString(), QStringLiteral("N")),
      m_flow(QStringLiteral("flow"), QString(), QStringLiteral("F")),
      m_telnetPort(QStringLiteral("telnet-port"), QString(), QStringLiteral("N")),
      m_tftpPort(QStringLiteral("tftp-port"), QString(), QStringLiteral("N"))
{
}

QList<QCommandLineOption> RouterLineOptions::options() const
{
    return {m_serial, m_lan, m_speed, m_parity, m_dataBits, m_stopBits, m_flow, m_telnetPort, m_tftpPort};
}

QString RouterLineOptions::help()
{
    return QStringLiteral("シリアル: --speed N (9600)  --parity none|even|odd|mark|space (none)\n"
                          "          --data-bits 5..8 (8)  --stop-bits 1|2 (1)  --flow none|xon|rts|xon-rts (none)\n"
                          "          N は標準の通信速度 (50 から 4000000。1200, 2400, 4800, 9600,\n"
                          "          19200, 38400, 57600, 115200 など) のどれかです。\n"
                          "LAN:      --telnet-port N (23)  --tftp-port N (69)");
}

std::optional<RouterLineChoice> RouterLineOptions::read(const QCommandLineParser &parser, QString *error) const
{
    auto refuse = [error](const QString &message) -> std::optional<RouterLineChoice> {
        *error = message;
        return std::nullopt;
    };
    const bool serial = parser.isSet(m_serial);
    const bool lan = parser.isSet(m_lan);
    if (serial == lan)
        return refuse(QStringLiteral("--serial DEVICE か --lan ADDRESS のどちらか一方を指定してください。"));
    for (const QCommandLineOption *option : {&m_serial, &m_lan, &m_speed, &m_parity, &m_dataBits, &m_stopBits,
                                             &m_flow, &m_telnetPort, &m_tftpPort}) {
        if (parser.values(*option).size() > 1)
            return refuse(QStringLiteral("--%1 は1回だけ指定してください。").arg(option->names().constFirst()));
    }
    // An option of the other way is a mistake, not something to ignore.
    const QList<const QCommandLineOption *> otherWay =
        serial ? QList<const QCommandLineOption *>{&m_telnetPort, &m_tftpPort}
               : QList<const QCommandLineOption *>{&m_speed, &m_parity, &m_dataBits, &m_stopBits, &m_flow};
    for (const QCommandLineOption *option : otherWay) {
        if (parser.isSet(*option)) {
            return refuse(QStringLiteral("--%1 は %2 と一緒には使えません。")
                              .arg(option->names().constFirst(), serial ? QStringLiteral("--serial") : QStringLiteral("--lan")));
        }
    }

    RouterLineChoice choice;
    choice.serial = serial;
    if (serial) {
        choice.device = parser.value(m_serial);
        if (choice.device.isEmpty())
            return refuse(QStringLiteral("--serial にはデバイスのパスを指定してください (例: /dev/ttyUSB0)。"));
        // The serial port reads a name without a folder as one under /dev:
        // a path relative to here must reach it whole.
        choice.device = QFileInfo(choice.device).absoluteFilePath();
        SerialSettings &settings = choice.settings;
        if (parser.isSet(m_speed)) {
            const std::optional<uint> value = decimal(parser.value(m_speed), 1, 4000000);
            if (!value || std::find(std::begin(SerialSpeeds), std::end(SerialSpeeds), *value) == std::end(SerialSpeeds))
                return refuse(QStringLiteral("--speed には標準の通信速度 (%1) のどれかを指定してください: %2")
                                  .arg(serialSpeedList(), parser.value(m_speed)));
            settings.speed = qint32(*value);
        }
        if (parser.isSet(m_parity)) {
            const std::optional<Parity> value = lookUp(parser.value(m_parity), Parities);
            if (!value)
                return refuse(QStringLiteral("--parity には none, even, odd, mark, space のどれかを指定してください: %1")
                                  .arg(parser.value(m_parity)));
            settings.parity = *value;
        }
        if (parser.isSet(m_dataBits)) {
            const std::optional<uint> value = decimal(parser.value(m_dataBits), 5, 8);
            if (!value)
                return refuse(QStringLiteral("--data-bits には 5 から 8 を指定してください: %1").arg(parser.value(m_dataBits)));
            settings.dataBits = int(*value);
        }
        if (parser.isSet(m_stopBits)) {
            const std::optional<SerialSettings::StopBits> value = lookUp(parser.value(m_stopBits), StopBitWords);
            if (!value)
                return refuse(QStringLiteral("--stop-bits には 1, 1.5, 2 のどれかを指定してください: %1")
                                  .arg(parser.value(m_stopBits)));
            settings.stopBits = *value;
        }
        if (parser.isSet(m_flow)) {
            const std::optional<Flow> value = lookUp(parser.value(m_flow), Flows);
            if (!value)
                return refuse(QStringLiteral("--flow には none, xon, rts, xon-rts のどれかを指定してください: %1")
                                  .arg(parser.value(m_flow)));
            settings.flow = *value;
        }
        return choice;
    }

    const std::optional<QHostAddress> address = routerAddress(parser.value(m_lan));
    if (!address)
        return refuse(QStringLiteral("--lan にはルータの IPv4 アドレスを指定してください: %1").arg(parser.value(m_lan)));
    choice.address = *address;
    struct Port {
        const QCommandLineOption &option;
        quint16 &target;
    };
    for (const Port &port : {Port{m_telnetPort, choice.telnetPort}, Port{m_tftpPort, choice.tftpPort}}) {
        if (!parser.isSet(port.option))
            continue;
        const std::optional<uint> value = decimal(parser.value(port.option), 1, 65535);
        if (!value) {
            return refuse(QStringLiteral("--%1 には 1 から 65535 までの数を指定してください: %2")
                              .arg(port.option.names().constFirst(), parser.value(port.option)));
        }
        port.target = quint16(*value);
    }
    return choice;
}

bool openSerialLine(SerialLine &line, const RouterLineChoice &choice, QString *reason, QString *remedy)
{
    if (line.setSettings(choice.settings) && line.open())
        return true;
    *reason = line.errorString();
    *remedy = line.openRemedy();
    return false;
}

} // namespace mg::cli
