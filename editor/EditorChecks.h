#pragma once

namespace mg {

// The checks the editor runs before a tab is left and before the
// configuration is saved or generated. On failure the implementation has
// already shown its message and put the focus on the faulty field.
class EditorChecks {
public:
    virtual ~EditorChecks() = default;
    // The values shown for tab `tab` (1 = common page).
    virtual bool TabCheck(int tab) = 0;
    // Every tab; stores the visible destination on the way.
    virtual bool CheckConfiguration(int selectedTab) = 0;
};

} // namespace mg
