#pragma once

#include "CommandOptions.h"
#include "Subcommand.h"

#include <optional>

namespace mg {

struct SendRequest;

// marrowgate send (--serial DEVICE | --lan ADDRESS) [options] FILE
//
// Installs a configuration on a router without the windows, through the
// same installation the windows run (RouterInstall). FILE is a saved
// configuration whose script is made as `generate` makes it, or with
// --script a script sent as it is. Passwords never come from the command
// line: they are asked on the terminal without echo, or read from standard
// input (first line the login password, second line the new manager
// password for a router that still has the factory one). Progress, and with
// --verbose the router's output (passwords hidden), go to err; a transcript
// is written. Answers 0 only when the router reached the completion point,
// 1 with the router's error line or the failure's text, 2 for wrong usage,
// 130 (143) after Ctrl+C (SIGTERM). Runs an event loop: a QCoreApplication
// must exist.
//
// The environment variable MG_TIME_SCALE=N (tests only) runs the session's
// clock N times faster: its periods, time-outs and time limit.
class SendCommand : public cli::Subcommand {
public:
    SendCommand();
    // In stages: the options (and the script), the passwords, the session,
    // the report.
    int run(const QStringList &args, QIODevice &out, QIODevice &err, const QString &usage) override;

private:
    // A status when the options end the command (the message written).
    std::optional<int> readOptions(const cli::SubcommandParser &command, QIODevice &err, SendRequest *request) const;

    cli::RouterLineOptions m_line;
    QCommandLineOption m_script, m_enat, m_user, m_keep, m_pace, m_timeout, m_transcript, m_verbose, m_standIn;
};

} // namespace mg
