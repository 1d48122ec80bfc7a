#pragma once

#include "EditorChecks.h"
#include "Prompts.h"

#include <functional>

namespace mg {

class frmMain;

// "設定を作成...": checks the whole configuration, makes sure every
// destination has a route, generates the command script and shows it in the
// script window.
class GenerateCommand {
public:
    // Shows the script window modally for the configuration's CommandScript.
    using ScriptWindow = std::function<void()>;

    // Without `scriptWindow` the real frmScript is shown over `window`.
    GenerateCommand(frmMain &window, EditorChecks &checks, MessagePrompt &prompt,
                    ScriptWindow scriptWindow = {});

    void cmdGen_Click();

private:
    bool everyDestinationHasRoute();
    void showScriptWindow();

    frmMain &m_window;
    EditorChecks &m_checks;
    MessagePrompt &m_prompt;
    ScriptWindow m_scriptWindow;
};

// Gives `window` the real checks and the generate command for as long as it
// lives: the production wiring in one call. `scriptWindow` replaces the
// plain script window (the program's shows it with the transfer).
void installValidation(frmMain &window, MessagePrompt &prompt, GenerateCommand::ScriptWindow scriptWindow = {});

} // namespace mg
