#pragma once

#include "SettingsStore.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QHostAddress>
#include <QString>
#include <QStringList>

#include <csignal>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>

class QIODevice;
class QSocketNotifier;

namespace mg {
class SerialLine;
}

namespace mg::cli {

// What the subcommands answer: 0 done, 1 failed (the reason on standard
// error), 2 the command line itself is wrong.
constexpr int Failure = 1;
constexpr int WrongUsage = 2;

void write(QIODevice &device, const QString &text);
// "marrowgate: " and the message on standard error.
int fail(QIODevice &err, const QString &message, int status = Failure);

// One subcommand's parser: its own options and the one wording of the
// program for what goes wrong on a command line.
class SubcommandParser {
public:
    SubcommandParser(QString name, QString synopsis);

    void addOption(const QCommandLineOption &option) { m_parser.addOption(option); }
    // Parses the words after the subcommand. A status when the command is
    // over already: 0 after --help (the program's help on out), 2 with the
    // message for an unknown option or a value left out.
    std::optional<int> parse(const QStringList &args, QIODevice &out, QIODevice &err, const QString &usage);
    // "marrowgate: NAME: message" and the synopsis, status 2.
    int wrongUsage(QIODevice &err, const QString &message) const;
    // --timeout S of a subcommand: whole seconds from 1 to a day, `fallback`
    // when not given. Nothing, after the wrong-usage message, when S is not
    // such a number.
    std::optional<int> timeoutSeconds(const QCommandLineOption &option, int fallback, QIODevice &err) const;

    const QCommandLineParser &parser() const { return m_parser; }

private:
    QString m_name;
    QString m_synopsis;
    QCommandLineParser m_parser;
    QCommandLineOption m_help;
};

// Plain decimal digits within [low, high]: "+69", " 69" or "0x45" is a
// typing slip, not a number.
std::optional<uint> decimal(const QString &text, uint low, uint high);

// An IPv4 address a router can have (not 0.0.0.0, a broadcast or a
// multicast address), written as four decimal numbers (readDottedQuad).
std::optional<QHostAddress> routerAddress(const QString &text);

// The way to the router, from --serial DEVICE or --lan ADDRESS and the
// options of that way. send and check take the same.
struct RouterLineChoice {
    bool serial = true;
    // Serial
    QString device;
    QString settings = QStringLiteral("9600,n,8,1"); // as the serial line takes it
    int flow = 0;                                   // 0 none, 1 Xon/Xoff, 2 RTS, 3 Xon/RTS
    // LAN
    QHostAddress address;
    quint16 telnetPort = 23;
    quint16 tftpPort = 69;

    // "シリアル /dev/ttyUSB0 (9600,n,8,1、フロー制御なし)" or "LAN 192.168.0.1".
    QString describe() const;
};

class RouterLineOptions {
public:
    RouterLineOptions();
    void addTo(SubcommandParser &parser) const;
    // The choice, or the message for wrong usage.
    std::optional<RouterLineChoice> read(const QCommandLineParser &parser, QString *error) const;

    static QString flowName(int flow);

private:
    QCommandLineOption m_serial, m_lan;
    QCommandLineOption m_speed, m_parity, m_dataBits, m_stopBits, m_flow;
    QCommandLineOption m_telnetPort, m_tftpPort;
};

// The serial line finds its device through the settings, as in the window;
// on the command line the one device comes from --serial.
class DeviceSettings : public SettingsStore {
public:
    QString GetSetting(const QString &section, const QString &key, const QString &defaultValue) const override;
    void SaveSetting(const QString &section, const QString &key, const QString &value) override;
    QList<QPair<QString, QString>> GetAllSettings(const QString &section) const override;

private:
    QList<QPair<QString, QString>> m_values; // "section/key", value
};

// --standin-encoder-ok of send and check: the router is known to read the
// passwords of the stand-in encoder (StandInEncoder.h), as the router
// simulator does. The serial line encodes no password: there it is wrong
// usage, with this message.
inline const QString StandInEncoderOk = QStringLiteral("standin-encoder-ok");
inline const QString StandInOnSerialText =
    QStringLiteral("--standin-encoder-ok は --lan と一緒にだけ使えます (シリアルではパスワードを暗号化しません)。");
// The way out of the refusal, for the one case where it is right.
inline const QString StandInAcceptedHint =
    QStringLiteral("ルータがこの代用の暗号化を読める場合 (ルータのシミュレータなど) だけ、--standin-encoder-ok を指定してください。");

// Opens the serial line of the choice with its settings. False with the
// reason and the remedy the window would give for the same failure.
bool openSerialLine(SerialLine &line, DeviceSettings &settings, const RouterLineChoice &choice, QString *reason,
                    QString *remedy);

// Ctrl+C (SIGINT), SIGTERM, a closed terminal (SIGHUP) and Ctrl+\ (SIGQUIT)
// as a call on the event loop, so that a session ends cleanly (port and
// sockets closed, temporary files removed) instead of dying where it stands.
// The previous handlers come back with the destructor. One watch at a time.
class InterruptWatch {
public:
    explicit InterruptWatch(std::function<void(int signal)> onSignal);
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch &) = delete;
    InterruptWatch &operator=(const InterruptWatch &) = delete;

    // The signals watched, and how the operator is told which one ended
    // the session ("Ctrl+C", "終了の要求 (SIGTERM)", ...).
    static constexpr int Signals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
    static QString describe(int signal);

private:
    static void handler(int signal);

    std::function<void(int)> m_onSignal;
    std::unique_ptr<QSocketNotifier> m_notifier;
    int m_fds[2] = {-1, -1};
    struct sigaction m_old[std::size(Signals)] {};  // one for each of Signals
};

} // namespace mg::cli
