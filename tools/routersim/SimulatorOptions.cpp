#include "SimulatorOptions.h"

#include <QCommandLineParser>

namespace mg::routersim {

namespace {

// A whole number within [low, high], or nothing.
std::optional<int> boundedNumber(const QString &text, int low, int high)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<SimulatorOptions> SimulatorOptions::parse(const QStringList &arguments, QString *error,
                                                        bool *helpShown)
{
    *helpShown = false;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays a KV700 router on a pseudo-terminal (its console) and on a loopback Telnet port, "
        "for tests. Prints \"ready serial=<device|-> telnet=<port|->\" once it listens."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help."));
    const QCommandLineOption state(QStringLiteral("state"), QStringLiteral("JSON state file, rewritten after every change."), QStringLiteral("FILE"));
    const QCommandLineOption serial(QStringLiteral("serial"), QStringLiteral("Creates the console; LINK becomes a symbolic link to it."), QStringLiteral("LINK"));
    const QCommandLineOption telnet(QStringLiteral("telnet"), QStringLiteral("Listens for Telnet on a loopback address (port 0: any)."), QStringLiteral("ADDR:PORT"));
    const QCommandLineOption tftpPort(QStringLiteral("tftp-port"), QStringLiteral("UDP port of the PC's TFTP server (default 69)."), QStringLiteral("N"));
    const QCommandLineOption password(QStringLiteral("password"), QStringLiteral("The manager password at start (default pastry)."), QStringLiteral("P"));
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("An extra account (repeatable)."), QStringLiteral("NAME:PASS"));
    const QCommandLineOption loggedIn(QStringLiteral("logged-in"), QStringLiteral("The console starts at the command prompt."));
    const QCommandLineOption silent(QStringLiteral("silent"), QStringLiteral("Reads everything, answers nothing."));
    const QCommandLineOption slow(QStringLiteral("slow"), QStringLiteral("Waits MS milliseconds before each answer."), QStringLiteral("MS"));
    const QCommandLineOption wrongPassword(QStringLiteral("wrong-password"), QStringLiteral("Refuses every login."));
    const QCommandLineOption loadError(QStringLiteral("load-error"), QStringLiteral("\"load file=\" always fails (flash full)."));
    const QCommandLineOption existing(QStringLiteral("existing"), QStringLiteral("A file already in flash (repeatable)."), QStringLiteral("NAME"));
    const QCommandLineOption dropTftp(QStringLiteral("drop-tftp"), QStringLiteral("Ignores the N-th TFTP DATA packet."), QStringLiteral("N"));
    const QCommandLineOption oneByte(QStringLiteral("one-byte"), QStringLiteral("Writes its output one byte at a time."));
    const QCommandLineOption splitSjis(QStringLiteral("split-sjis"), QStringLiteral("Splits writes inside two-byte Shift_JIS characters."));
    const QCommandLineOption lineRate(QStringLiteral("line-rate"), QStringLiteral("Paces the console at BPS bit/s (BPS/10 bytes a second)."), QStringLiteral("BPS"));
    const QCommandLineOption tftpTimeout(QStringLiteral("tftp-timeout"), QStringLiteral("TFTP retransmission time-out (default 3000)."), QStringLiteral("MS"));
    const QCommandLineOption tftpError(QStringLiteral("tftp-error"), QStringLiteral("Answers the N-th TFTP DATA packet with ERROR 3 (disk full); the load fails."), QStringLiteral("N"));
    const QCommandLineOption tftpStrayAck(QStringLiteral("tftp-stray-ack"), QStringLiteral("Also acknowledges TFTP block 1 from a second UDP port, first; counts the server's ERROR 5 answers (tftpUnknownTid)."));
    parser.addOptions({help, state, serial, telnet, tftpPort, password, user, loggedIn, silent, slow, wrongPassword,
                       loadError, existing, dropTftp, oneByte, splitSjis, lineRate, tftpTimeout});
    parser.addOptions({tftpError, tftpStrayAck});
    const QCommandLineOption boot(QStringLiteral("boot-ms"), QStringLiteral("A restart takes MS milliseconds; what arrives meanwhile is lost."), QStringLiteral("MS"));
    const QCommandLineOption configured(QStringLiteral("configured"), QStringLiteral("Set up before: NAME is in flash, holds the manager password (--password) and is the boot configuration."), QStringLiteral("NAME"));
    const QCommandLineOption refuse(QStringLiteral("refuse"), QStringLiteral("Answers a command holding TEXT with an Error line (repeatable)."), QStringLiteral("TEXT"));
    const QCommandLineOption closeAfter(QStringLiteral("close-after"), QStringLiteral("Closes the Telnet session once a line holding TEXT arrives."), QStringLiteral("TEXT"));
    const QCommandLineOption stallAfter(QStringLiteral("stall-after"), QStringLiteral("Answers nothing more once a line holding TEXT arrives."), QStringLiteral("TEXT"));
    const QCommandLineOption noise(QStringLiteral("noise"), QStringLiteral("Prints TEXT (an escape sequence, say) before its welcome line and every Error line."), QStringLiteral("TEXT"));
    parser.addOptions({boot, configured, refuse, closeAfter, stallAfter, noise});

    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return std::nullopt;
    }
    if (parser.isSet(help)) {
        *helpShown = true;
        *error = parser.helpText();
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().constFirst());
        return std::nullopt;
    }

    SimulatorOptions o;
    o.statePath = parser.value(state);
    if (o.statePath.isEmpty()) {
        *error = QStringLiteral("--state FILE is required");
        return std::nullopt;
    }
    o.serialLink = parser.value(serial);
    if (parser.isSet(serial) && o.serialLink.isEmpty()) {
        *error = QStringLiteral("--serial needs a link path");
        return std::nullopt;
    }
    if (parser.isSet(telnet)) {
        const QString value = parser.value(telnet);
        const qsizetype colon = value.lastIndexOf(QLatin1Char(':'));
        const QHostAddress address(value.left(colon));
        const std::optional<int> port = boundedNumber(value.mid(colon + 1), 0, 65535);
        if (colon < 0 || address.isNull() || !port) {
            *error = QStringLiteral("--telnet wants ADDRESS:PORT, got \"%1\"").arg(value);
            return std::nullopt;
        }
        // A test peer stays on this machine whatever it is told.
        if (!address.isLoopback()) {
            *error = QStringLiteral("--telnet: %1 is not a loopback address").arg(address.toString());
            return std::nullopt;
        }
        o.telnet = true;
        o.telnetAddress = address;
        o.telnetPort = quint16(*port);
    }

    struct NumberOption {
        const QCommandLineOption &option;
        int *target;
        int low;
        int high;
    };
    int tftpPortValue = o.tftpPort;
    const NumberOption numbers[] = {
        {tftpPort, &tftpPortValue, 1, 65535},
        {slow, &o.slowMs, 0, 600000},
        {dropTftp, &o.dropTftp, 1, 1 << 30},
        {lineRate, &o.lineRate, 10, 100000000},
        {tftpTimeout, &o.tftpTimeoutMs, 1, 600000},
        {tftpError, &o.tftpError, 1, 1 << 30},
        {boot, &o.bootMs, 0, 600000},
    };
    for (const NumberOption &n : numbers) {
        if (!parser.isSet(n.option))
            continue;
        const std::optional<int> value = boundedNumber(parser.value(n.option), n.low, n.high);
        if (!value) {
            *error = QStringLiteral("--%1 wants a whole number from %2 to %3, got \"%4\"")
                         .arg(n.option.names().constFirst())
                         .arg(n.low)
                         .arg(n.high)
                         .arg(parser.value(n.option));
            return std::nullopt;
        }
        *n.target = *value;
    }
    o.tftpPort = quint16(tftpPortValue);

    if (parser.isSet(password))
        o.managerPassword = parser.value(password);
    for (const QString &account : parser.values(user)) {
        const qsizetype colon = account.indexOf(QLatin1Char(':'));
        const QString name = account.left(colon);
        if (colon <= 0) {
            *error = QStringLiteral("--user wants NAME:PASS, got \"%1\"").arg(account);
            return std::nullopt;
        }
        if (name == QLatin1String("manager")) {
            *error = QStringLiteral("--user: the manager's password is set with --password");
            return std::nullopt;
        }
        o.users.append({name, account.mid(colon + 1)});
    }
    o.existing = parser.values(existing);
    o.loggedIn = parser.isSet(loggedIn);
    o.silent = parser.isSet(silent);
    o.wrongPassword = parser.isSet(wrongPassword);
    o.loadError = parser.isSet(loadError);
    o.oneByte = parser.isSet(oneByte);
    o.splitSjis = parser.isSet(splitSjis);
    o.tftpStrayAck = parser.isSet(tftpStrayAck);
    o.configured = parser.value(configured);
    o.refuse = parser.values(refuse);
    o.closeAfter = parser.value(closeAfter);
    o.stallAfter = parser.value(stallAfter);
    o.noise = parser.value(noise);
    return o;
}

QHostAddress SimulatorOptions::routerAddress() const
{
    return telnet ? telnetAddress : QHostAddress(QStringLiteral("127.0.0.2"));
}

} // namespace mg::routersim
