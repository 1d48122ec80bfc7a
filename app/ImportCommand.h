#pragma once

#include "Subcommand.h"

namespace mg {

// marrowgate import [-o FILE.rcf] [--force] SCRIPT
//
// Reads a command script back into settings and writes them as an .rcf, to
// out or to FILE.rcf; the lines it could not place go to err. Answers 0
// when every line was placed, 3 when some were not, 1 when the script
// cannot be read (nothing written), 2 for wrong usage.
class ImportCommand : public cli::Subcommand {
public:
    ImportCommand();
    int run(const QStringList &args, QIODevice &out, QIODevice &err, const QString &usage) override;

private:
    QCommandLineOption m_output;
    QCommandLineOption m_force;
};

} // namespace mg
