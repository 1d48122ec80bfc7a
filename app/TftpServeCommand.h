#pragma once

#include "Subcommand.h"

namespace mg {

// marrowgate tftp-serve --router ADDRESS [--port N] [--timeout S] FILE
//
// Serves FILE once to the router's read request, for an operator who types
// "load file=" at the router's console himself. Progress goes to err.
// Answers 0 after the router acknowledged the last block, 1 with a message
// when the transfer fails or no request came within the time-out, 2 for
// wrong usage. Runs an event loop: a QCoreApplication must exist.
class TftpServeCommand : public cli::Subcommand {
public:
    TftpServeCommand();
    int run(const QStringList &args, QIODevice &out, QIODevice &err, const QString &usage) override;

private:
    QCommandLineOption m_router;
    QCommandLineOption m_port;
    QCommandLineOption m_timeout;
};

} // namespace mg
