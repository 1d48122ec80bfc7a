#pragma once

#include <QStringView>
#include <cstdint>

namespace mg {

// The one numeric parse of the program. It reads the leading number of a
// text the way the operator means it: leading blanks are skipped, an optional
// sign is taken, then decimal digits up to the first other character
// ("12abc" is 12). Text without a leading number, and the empty text, is 0.
//
// leadingNumber() never overflows: a value beyond the range of qint64 is held
// at that range's end.
std::int64_t leadingNumber(QStringView text);

// The 16-bit value of a text, as every numeric field of the configuration
// holds it. Values beyond -32768..32767 saturate at the nearer end instead of
// wrapping, so "70000" stays a too-large number (32767) and can never turn
// into a small valid one (70000 would wrap to 4464, 65537 to 1).
std::int16_t numericValue(QStringView text);

} // namespace mg
