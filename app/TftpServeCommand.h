#pragma once

#include <QString>
#include <QStringList>

class QIODevice;

namespace mg {

// marrowgate tftp-serve --router ADDRESS [--port N] [--timeout S] FILE
//
// Serves FILE once to the router's read request, for an operator who types
// "load file=" at the router's console himself. Progress goes to err.
// Answers 0 after the router acknowledged the last block, 1 with a message
// when the transfer fails or no request came within the time-out, 2 for
// wrong usage. `args` are the words after "tftp-serve"; `usage` is the
// program's help text, printed for --help. Runs an event loop: a
// QCoreApplication must exist.
int runTftpServe(const QStringList &args, QIODevice &out, QIODevice &err, const QString &usage);

} // namespace mg
