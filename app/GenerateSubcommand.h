#pragma once

#include "Subcommand.h"

#include <QString>
#include <QStringList>

namespace mg {

// marrowgate generate [--enat=yes|no] FILE
//
// Prints the command script of a saved configuration on out, in Shift_JIS
// with CR LF line ends. (Named apart from the window's GenerateCommand,
// which the program links beside it.) Answers 0, 1 when the file cannot be made into a
// script (the problems on err), 2 for wrong usage.
class GenerateSubcommand : public cli::Subcommand {
public:
    GenerateSubcommand();
    int run(const QStringList &args, QIODevice &out, QIODevice &err, const QString &usage) override;
};

// The command script `generate` prints for a saved configuration: FILE is
// the .cfg (or the .rcf itself); the .rcf beside it is read. enat answers
// the generator's question about a terminal-type destination. When not ok,
// the problems, one text each, name the file they concern.
struct GeneratedScript {
    bool ok = false;
    QString script;
    QStringList problems;
};
GeneratedScript generateScriptFor(const QString &file, bool enat);

} // namespace mg
