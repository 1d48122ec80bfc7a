#include "CommandOptions.h"

#include "AddressChecks.h"
#include "SerialLine.h"

#include <QFileInfo>
#include <QIODevice>
#include <QSocketNotifier>

#include <algorithm>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

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

SubcommandParser::SubcommandParser(QString name, QString synopsis)
    : m_name(std::move(name)), m_synopsis(std::move(synopsis)),
      m_help(QStringList{QStringLiteral("h"), QStringLiteral("help")})
{
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addOption(m_help);
}

std::optional<int> SubcommandParser::parse(const QStringList &args, QIODevice &out, QIODevice &err,
                                           const QString &usage)
{
    if (!m_parser.parse(QStringList{m_name} + args)) {
        const QStringList unknown = m_parser.unknownOptionNames();
        if (!unknown.isEmpty()) {
            const QString &name = unknown.first();
            return fail(err, QStringLiteral("%1: 不明なオプションです: %2%3\n詳しくは marrowgate --help を見てください。")
                                 .arg(m_name, name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"), name),
                        WrongUsage);
        }
        // The only other fault the parser finds: an option that takes a
        // value came last, without one.
        return wrongUsage(err, QStringLiteral("%1 の後に値を指定してください。").arg(args.isEmpty() ? QString() : args.last()));
    }
    if (m_parser.isSet(m_help)) {
        write(out, usage);
        return 0;
    }
    return std::nullopt;
}

int SubcommandParser::wrongUsage(QIODevice &err, const QString &message) const
{
    return fail(err, m_name + QStringLiteral(": ") + message + QLatin1Char('\n') + m_synopsis, WrongUsage);
}

std::optional<int> SubcommandParser::timeoutSeconds(const QCommandLineOption &option, int fallback,
                                                    QIODevice &err) const
{
    constexpr uint MaxSeconds = 24 * 60 * 60;
    if (!m_parser.isSet(option))
        return fallback;
    const std::optional<uint> value = decimal(m_parser.value(option), 1, MaxSeconds);
    if (!value) {
        wrongUsage(err, QStringLiteral("--timeout には 1 から %1 までの秒数を指定してください: %2")
                            .arg(MaxSeconds)
                            .arg(m_parser.value(option)));
        return std::nullopt;
    }
    return int(*value);
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
        return QStringLiteral("シリアル %1 (%2、フロー制御%3)")
            .arg(device, settings, RouterLineOptions::flowName(flow));
    }
    return QStringLiteral("LAN %1 (Telnet ポート %2、TFTP ポート %3)")
        .arg(address.toString())
        .arg(telnetPort)
        .arg(tftpPort);
}

namespace {

struct Named {
    const char *name;
    const char *value;
};

// The words the options take, and what the serial line's settings string
// makes of them.
constexpr Named Parities[] = {{"none", "n"}, {"even", "e"}, {"odd", "o"}, {"mark", "m"}, {"space", "s"},
                              {"n", "n"},    {"e", "e"},    {"o", "o"},   {"m", "m"},    {"s", "s"}};
constexpr Named Flows[] = {{"none", "0"}, {"xon", "1"}, {"rts", "2"}, {"xon-rts", "3"},
                           {"0", "0"},    {"1", "1"},   {"2", "2"},   {"3", "3"}};

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

std::optional<QString> lookUp(const QString &word, const Named *table, size_t size)
{
    for (size_t i = 0; i < size; ++i)
        if (word == QLatin1String(table[i].name))
            return QString::fromLatin1(table[i].value);
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

void RouterLineOptions::addTo(SubcommandParser &parser) const
{
    for (const QCommandLineOption *option :
         {&m_serial, &m_lan, &m_speed, &m_parity, &m_dataBits, &m_stopBits, &m_flow, &m_telnetPort, &m_tftpPort})
        parser.addOption(*option);
}

QString RouterLineOptions::flowName(int flow)
{
    switch (flow) {
    case 1: return QStringLiteral(" Xon/Xoff");
    case 2: return QStringLiteral(" RTS");
    case 3: return QStringLiteral(" Xon/RTS");
    default: return QStringLiteral("なし");
    }
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
        QString speed = QStringLiteral("9600"), parity = QStringLiteral("n"), dataBits = QStringLiteral("8"),
                stopBits = QStringLiteral("1");
        if (parser.isSet(m_speed)) {
            const std::optional<uint> value = decimal(parser.value(m_speed), 1, 4000000);
            if (!value || std::find(std::begin(SerialSpeeds), std::end(SerialSpeeds), *value) == std::end(SerialSpeeds))
                return refuse(QStringLiteral("--speed には標準の通信速度 (%1) のどれかを指定してください: %2")
                                  .arg(serialSpeedList(), parser.value(m_speed)));
            speed = QString::number(*value);
        }
        if (parser.isSet(m_parity)) {
            const std::optional<QString> value = lookUp(parser.value(m_parity), Parities, std::size(Parities));
            if (!value)
                return refuse(QStringLiteral("--parity には none, even, odd, mark, space のどれかを指定してください: %1")
                                  .arg(parser.value(m_parity)));
            parity = *value;
        }
        if (parser.isSet(m_dataBits)) {
            if (!decimal(parser.value(m_dataBits), 5, 8))
                return refuse(QStringLiteral("--data-bits には 5 から 8 を指定してください: %1").arg(parser.value(m_dataBits)));
            dataBits = parser.value(m_dataBits);
        }
        if (parser.isSet(m_stopBits)) {
            const QString value = parser.value(m_stopBits);
            if (value != QLatin1String("1") && value != QLatin1String("1.5") && value != QLatin1String("2"))
                return refuse(QStringLiteral("--stop-bits には 1, 1.5, 2 のどれかを指定してください: %1").arg(value));
            stopBits = value;
        }
        if (parser.isSet(m_flow)) {
            const std::optional<QString> value = lookUp(parser.value(m_flow), Flows, std::size(Flows));
            if (!value)
                return refuse(QStringLiteral("--flow には none, xon, rts, xon-rts のどれかを指定してください: %1")
                                  .arg(parser.value(m_flow)));
            choice.flow = value->toInt();
        }
        choice.settings = QStringList{speed, parity, dataBits, stopBits}.join(QLatin1Char(','));
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

QString DeviceSettings::GetSetting(const QString &section, const QString &key, const QString &defaultValue) const
{
    const QString name = section + QLatin1Char('/') + key;
    for (const auto &value : m_values)
        if (value.first == name)
            return value.second;
    return defaultValue;
}

void DeviceSettings::SaveSetting(const QString &section, const QString &key, const QString &value)
{
    const QString name = section + QLatin1Char('/') + key;
    for (auto &stored : m_values) {
        if (stored.first == name) {
            stored.second = value;
            return;
        }
    }
    m_values.append({name, value});
}

QList<QPair<QString, QString>> DeviceSettings::GetAllSettings(const QString &section) const
{
    QList<QPair<QString, QString>> all;
    const QString prefix = section + QLatin1Char('/');
    for (const auto &value : m_values)
        if (value.first.startsWith(prefix))
            all.append({value.first.mid(prefix.size()), value.second});
    return all;
}

bool openSerialLine(SerialLine &line, DeviceSettings &settings, const RouterLineChoice &choice, QString *reason,
                    QString *remedy)
{
    settings.SaveSetting(QString::fromLatin1(SerialLine::DeviceSection), SerialLine::comName(1), choice.device);
    if (line.setPortNumber(1) && line.setSettingsString(choice.settings) && line.setHandshaking(choice.flow)
        && line.open())
        return true;
    *reason = line.errorString();
    *remedy = line.openRemedy();
    return false;
}

namespace {
volatile std::sig_atomic_t g_watchFd = -1;
}

void InterruptWatch::handler(int signal)
{
    const int fd = g_watchFd;
    if (fd < 0)
        return;
    const unsigned char number = static_cast<unsigned char>(signal);
    // Nothing but write() here: the event loop does the rest.
    [[maybe_unused]] const ssize_t written = ::write(fd, &number, 1);
}

QString InterruptWatch::describe(int signal)
{
    switch (signal) {
    case SIGINT: return QStringLiteral("Ctrl+C");
    case SIGTERM: return QStringLiteral("終了の要求 (SIGTERM)");
    case SIGHUP: return QStringLiteral("端末の切断 (SIGHUP)");
    case SIGQUIT: return QStringLiteral("Ctrl+\\ (SIGQUIT)");
    default: return QStringLiteral("シグナル %1").arg(signal);
    }
}

InterruptWatch::InterruptWatch(std::function<void(int signal)> onSignal) : m_onSignal(std::move(onSignal))
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, m_fds) != 0)
        return;
    g_watchFd = m_fds[0];
    m_notifier = std::make_unique<QSocketNotifier>(m_fds[1], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] {
        unsigned char number = 0;
        while (::read(m_fds[1], &number, 1) == 1) {
            if (m_onSignal)
                m_onSignal(number);
        }
    });
    struct sigaction action {};
    action.sa_handler = &InterruptWatch::handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(Signals); ++i)
        ::sigaction(Signals[i], &action, &m_old[i]);
}

InterruptWatch::~InterruptWatch()
{
    if (m_fds[0] < 0)
        return;
    for (size_t i = 0; i < std::size(Signals); ++i)
        ::sigaction(Signals[i], &m_old[i], nullptr);
    g_watchFd = -1;
    m_notifier.reset();
    ::close(m_fds[0]);
    ::close(m_fds[1]);
}

} // namespace mg::cli
