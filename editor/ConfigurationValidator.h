#pragma once

#include "EditorChecks.h"
#include "Prompts.h"

#include <QString>

class QWidget;

namespace mg {

class frmMain;
struct Destination;

// The checks of the main window before a tab is left and before the
// configuration is saved or generated.
//
// The common page has no record of its own, so it is read from its
// controls. A destination is read partly from the controls of the
// destination page, which always show the selected destination, and partly
// from its stored record: that is how the walk over all destinations finds a
// fault in one that is not shown. The messages do not name a destination and
// the focus always goes to a control of the page.
class ConfigurationValidator : public EditorChecks {
public:
    ConfigurationValidator(frmMain &window, MessagePrompt &prompt);

    bool TabCheck(int tab) override;
    bool CheckConfiguration(int selectedTab) override;

private:
    bool checkCommonPage();
    bool checkDestinationPage(int tab);

    bool fail(QWidget *focus, const QString &text, const QString &title);
    bool failFormat(QWidget *field, const QString &fieldName);
    // Answers whether the field took the focus.
    bool moveFocus(QWidget *field);

    bool isDialUp() const;
    // The destination whose values the destination page holds, or 0.
    int shownDestination() const;

    frmMain &m_window;
    MessagePrompt &m_prompt;
};

} // namespace mg
