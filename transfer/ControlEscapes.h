#pragma once

#include <QString>
#include <QStringView>

namespace mg {

// Text that came from the network (the router's output, a TFTP client's
// file name), made fit to print where a terminal may show it: every control
// character becomes "\xNN" in hexadecimal (ESC is "\x1b"), so that nothing a
// peer sends can clear the screen, move the cursor, retitle the window or
// make the terminal answer back. That covers C0 (below 0x20), DEL and C1
// (0x80-0x9f), which some terminals obey in UTF-8 too.
//
// KeepLineBreaks keeps CR, LF and TAB as they are, for output shown as
// lines. OneLine escapes them too and doubles every backslash, so that a
// record of one line per entry reads back unambiguously (the transcript).
enum class ControlEscaping { KeepLineBreaks, OneLine };

QString escapeControls(QStringView text, ControlEscaping how = ControlEscaping::KeepLineBreaks);

} // namespace mg
