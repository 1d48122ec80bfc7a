#pragma once

#include "EditorChecks.h"
#include "PageChecks.h"
#include "Prompts.h"

#include <optional>

class QWidget;

namespace mg {

class frmMain;

// The checks of the main window (PageChecks.h) as the window runs them: the
// whole check walks from the common tab to the last destination and stores
// the destination on screen when it reaches it. A fault is shown in one
// message box; a fault of a destination's record while another one is on
// screen first brings its tab to the front. The focus goes to the faulty
// field when it can be seen and used, with its whole text selected after
// the format message.
class ConfigurationValidator : public EditorChecks {
public:
    ConfigurationValidator(frmMain &window, MessagePrompt &prompt);

    bool TabCheck(int tab) override;
    bool CheckConfiguration(int selectedTab) override;

private:
    ShownPage shownPage() const;
    // Answers true when there is no failure.
    bool report(const std::optional<CheckFailure> &failure);
    QWidget *control(CheckField field) const;
    // Answers whether the field took the focus.
    bool moveFocus(QWidget *field);

    frmMain &m_window;
    MessagePrompt &m_prompt;
};

} // namespace mg
