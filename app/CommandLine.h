#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QIODevice;

namespace mg {

// The program's command line for automation:
//   marrowgate generate [--enat=yes|no] FILE
//   marrowgate import [-o FILE.rcf] [--force] SCRIPT
//   marrowgate send (--serial DEVICE | --lan ADDRESS) [options] FILE
//   marrowgate check (--serial DEVICE | --lan ADDRESS) [options]
//   marrowgate tftp-serve --router ADDRESS [--port N] [--timeout S] FILE
//   marrowgate --help | --version
// Answers the exit status when the arguments asked for a command-line
// action, or nothing when the window should start. `arguments` includes the
// program name first, like QCoreApplication::arguments().
std::optional<int> runCommandLine(const QStringList &arguments, QIODevice &out, QIODevice &err);

} // namespace mg
