#pragma once

#include "SerialSettings.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QHostAddress>
#include <QString>

#include <optional>

class QIODevice;

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
    SerialSettings settings;
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
    // To be declared by the subcommand that takes them.
    QList<QCommandLineOption> options() const;
    // The choice, or the message for wrong usage.
    std::optional<RouterLineChoice> read(const QCommandLineParser &parser, QString *error) const;

    // What the help says of these options, under the options of send.
    static QString help();

private:
    QCommandLineOption m_serial, m_lan;
    QCommandLineOption m_speed, m_parity, m_dataBits, m_stopBits, m_flow;
    QCommandLineOption m_telnetPort, m_tftpPort;
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
bool openSerialLine(SerialLine &line, const RouterLineChoice &choice, QString *reason, QString *remedy);

} // namespace mg::cli
