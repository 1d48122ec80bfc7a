#pragma once

class QApplication;

namespace mg {

// Starts the editor: Japanese captions for Qt's own buttons and dialogs,
// one instance per user, the main window with its real collaborators, and
// the event loop. Answers the process exit status.
int runEditor(QApplication &app);

} // namespace mg
