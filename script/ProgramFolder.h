#pragma once

#include <QString>

namespace mg {

// The folder of the encoder and the program's helpers.
struct ProgramFolderResult {
    bool ok = false;
    QString folder;     // absolute, without a trailing "/", when ok
};

// Reads "Target" from the machine-wide settings file that the install step
// writes. Without that file, or without the value, the folder of the running
// executable is the program folder, so a build tree runs as it is. A file
// that exists but cannot be read, or a Target that is not a readable folder
// (empty, missing, a plain file), is an error: the operator gets
// ProgramFolderErrorText.
ProgramFolderResult locateProgramFolder();

// The message for a failed locateProgramFolder(), shown under the title "エラー".
extern const QString ProgramFolderErrorText;

} // namespace mg
