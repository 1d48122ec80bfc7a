#pragma once

#include "Configuration.h"

#include <QString>
#include <optional>

namespace mg {

// The four threshold boxes of the bandwidth-on-demand dialog, in the order
// they are checked.
enum class BodField { Uprate, Uptime, Downrate, Downtime };

inline constexpr int BodRateDigits = 3;
inline constexpr int BodTimeDigits = 5;

// What an empty field of a BodSetting shows, and what the file writes for it.
QString bodDefault(BodField field);
QString bodText(const BodSetting &bod, BodField field);

// Key rule of a threshold box: digits and Backspace, and no key but
// Backspace once the box holds `maxLength` characters.
bool filterBodKey(const QString &currentText, int keyCode, int maxLength);

struct BodCheckFailure {
    BodField field;
    QString message;
};

// The checks of OK, first failure only: each field must be filled and lie
// within 0..100 (rates) or 0..65535 (seconds), bounds included. The texts are
// compared as numbers but never rewritten.
std::optional<BodCheckFailure> checkBodSetting(const BodSetting &texts);

} // namespace mg
