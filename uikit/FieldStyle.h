#pragma once

class QWidget;

namespace mg {

// Enables or disables a control and gives text and combo boxes the matching
// background: white when enabled, the classic grey when disabled. Every
// enabling change of the windows goes through here.
void setFieldEnabled(QWidget *control, bool enabled);

} // namespace mg
