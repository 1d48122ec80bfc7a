#pragma once

#include "Configuration.h"
#include "Prompts.h"
#include "RcfFile.h"
#include "SettingsStore.h"

#include <QByteArray>
#include <QString>
#include <functional>

// The save and open commands of the File menu. They talk to the operator
// only through the prompts they are given and leave refreshing the window to
// the caller, which reads the Configuration afterwards.

namespace mg {

// Regenerates the command script of a configuration (the generator may ask
// its ENAT question and add an entry). Passed in so that the model does not
// depend on the generator.
using ScriptGeneratorFunction = std::function<QString(Configuration &)>;

// Saves the configuration as the pair <name>.cfg (the command script) and
// <name>.rcf. Answers the script file's name without folder, or an empty
// text when the operator cancelled or the save failed (the reason has then
// been shown). Sets CommandScript, SaveSucceeded and, on success, Saved; a
// terminal-type destination may add the automatic ENAT entry.
//
// Both files are written completely before either replaces its old version;
// when anything fails, the old pair stays as it was.
QString SaveConfiguration(Configuration &config, FileDialogPrompt &files, MessagePrompt &messages,
                          SettingsStore &settings, const ScriptGeneratorFunction &generate);

// Lets the operator pick a configuration and reads the .rcf file of the
// picked name into `config` (whose TabCount is the number of tabs on screen).
// Answers the picked file's name without folder, or an empty text when the
// operator cancelled or the file could not be read; then `config` is left as
// it was and the reason has been shown.
//
// When the .rcf is missing but the picked script is there and `fromScript`
// is given, the operator is asked whether to read the settings from the
// script itself; on Yes `fromScript` reads the script at the path into
// `config` (answering false, after telling the operator, when it cannot),
// on No nothing changes. `fromScript` lives outside the model so that the
// model does not depend on the script reader.
using ScriptFallbackFunction = std::function<bool(const QString &scriptPath, Configuration &config)>;
QString OpenConfiguration(Configuration &config, FileDialogPrompt &files, MessagePrompt &messages,
                          const ScriptFallbackFunction &fromScript = {});

// The .rcf file that belongs to a picked configuration file: the same folder
// and base name with the extension "rcf" ("a/office.cfg" -> "a/office.rcf",
// "a/office.rcf" itself). The extension is spelled as a save spells it
// ("OFFICE.CFG" -> "OFFICE.RCF"); when no file of that name is there, one
// whose name differs only in case is taken, so a pair copied from another
// system opens. Empty when the file name has no extension, so a dot in a
// folder name is never taken for one.
QString rcfPathFor(const QString &path);

// Reads an .rcf file from disk as OpenConfiguration does, without prompts.
RcfReadResult readRcfFile(const QString &rcfPath, const Configuration &current);

// Writes both files so that each is replaced only once the new contents are
// complete on disk, and restores the first when the second cannot be put in
// place. Answers an empty text on success, otherwise what went wrong.
QString writeFilePair(const QString &firstPath, const QByteArray &first, const QString &secondPath,
                      const QByteArray &second);

// One file written the same way: the new contents go to a temporary file
// beside it, which replaces the old file only once complete, so a failure
// leaves the old file as it was. Refuses to write over anything but a
// regular file. Answers an empty text on success, otherwise what went wrong.
QString writeFileSafely(const QString &path, const QByteArray &bytes);

} // namespace mg
