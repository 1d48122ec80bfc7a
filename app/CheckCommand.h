#pragma once

#include "CommandOptions.h"
#include "Subcommand.h"

namespace mg {

// marrowgate check (--serial DEVICE | --lan ADDRESS) [options]
//
// What a send needs, checked before one: over the serial line, that the
// device exists and opens with the given settings (a refusal for lack of
// permission names the group to join); over the LAN, the route to the
// router and this PC's address on it, the router answering on its Telnet
// port within 5 seconds, the TFTP port opening at that address (a refusal
// names the capability the program needs) and the password encoder
// answering within its time-out. One line per check on out, "✓" or "✗", a
// remedy under each "✗". Answers 0 when all pass, 1 otherwise, 2 for wrong
// usage. Runs an event loop: a QCoreApplication must exist.
class CheckCommand : public cli::Subcommand {
public:
    CheckCommand();
    int run(const QStringList &args, QIODevice &out, QIODevice &err, const QString &usage) override;

private:
    cli::RouterLineOptions m_line;
    QCommandLineOption m_standIn;
};

} // namespace mg
