#pragma once

#include "TransferRequest.h"

#include <QString>
#include <chrono>
#include <functional>

class QWidget;

namespace mg {

class MessagePrompt;
class SerialLine;
class SettingsStore;
class TickerFactory;

// What the transfer windows share with the rest of the program: the
// operator's settings and message boxes, the serial port (one for the whole
// program), the timers, and the main window's hooks.
struct TransferEnvironment {
    SettingsStore &settings;
    MessagePrompt &prompt;
    SerialLine &serial;
    TickerFactory &tickers;
    // The main window's MarkChanged, for a file the router refused.
    std::function<void()> markChanged{};
    // The Ethernet address typed on the main window: offered as a router
    // address.
    std::function<QString()> etherAddress{};
    // Ports and the encoder's folder; tests use their own.
    quint16 telnetPort = 23;
    quint16 tftpPort = 69;
    QString programFolder{};   // empty: the program folder
    // Where the transcripts of the sessions go (the last ones are kept);
    // empty: Transcript::defaultFolder().
    QString transcriptFolder{};
    // The clock the progress window measures the pace with (tests); empty:
    // the real time.
    std::function<std::chrono::milliseconds()> clock{};
    // Set by runTransferWindows while its installation runs: ends it (see
    // endTransferWindows).
    std::function<void()> endRunning{};
};

// The login window, the default password dialog after a factory login, and
// the progress window, over one installation of the request on its line (the
// serial port must be open for the serial path). Returns when the progress window
// (or the login window, when the login did not get through) has closed;
// the line and the file server are closed then. Every session leaves a
// transcript in the environment's transcript folder; the progress window
// shows where.
void runTransferWindows(TransferRequest request, TransferEnvironment &environment, QWidget *parent);

// Ends the installation the windows run, if any, at once: the line and the
// file server close, the transfer file goes with its private folder, and
// the transfer's windows close as キャンセル would. For the program's own
// end (the desktop session logging out, a signal), after which nothing may
// be left to remove the folder.
void endTransferWindows(TransferEnvironment &environment);

// Answers a line error of the serial port: a beep and the OK/キャンセル box;
// キャンセル closes the port (the dialogue then stops with its message).
void reportSerialLineError(int code, TransferEnvironment &environment);

} // namespace mg
