#pragma once

#include <QString>

namespace mg {

// The events of the serial line, by the codes the transfer dialogue reacts
// to. Only Received carries data; the other line events need no reaction.
namespace SerialEvent {
constexpr int Sent = 1;
constexpr int Received = 2;
constexpr int CtsChanged = 3;
constexpr int DsrChanged = 4;
constexpr int CdChanged = 5;
constexpr int Ring = 6;
constexpr int EndOfFile = 7;

// Line errors: each has its own text for the operator.
constexpr int Break = 1001;
constexpr int CtsTimeout = 1002;
constexpr int DsrTimeout = 1003;
constexpr int Framing = 1004;
constexpr int Overrun = 1006;
constexpr int CdTimeout = 1007;
constexpr int ReceiveOverflow = 1008;
constexpr int Parity = 1009;
constexpr int SendBufferFull = 1010;
constexpr int LineSettings = 1011;

// What the port reports beyond the codes above: the device went away, a read
// or a write failed. It is none of them, so the operator reads the text of
// an undefined error.
constexpr int DeviceFailure = 1100;
} // namespace SerialEvent

// The box text of an event code: empty for the line events 1..7, the
// undefined-error text for any code that has no text of its own.
QString serialEventText(int code);

// The title of the box that shows a line error.
extern const QString SerialErrorTitle;

} // namespace mg
