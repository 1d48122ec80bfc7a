#pragma once

class QWidget;

namespace mg {

// Enables or disables a control and gives text and combo boxes the matching
// background from the colour scheme: a text box's own (white in a light
// scheme) when enabled, the window's when disabled, with text readable on
// both in light and dark schemes. Every enabling change of the windows goes
// through here.
void setFieldEnabled(QWidget *control, bool enabled);

} // namespace mg
