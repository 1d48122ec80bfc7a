#pragma once

// The router dialogue's periodic tickers, in the order a test fires them
// within one period: the transfer's serial lines come before the login's
// tickers, so that a login taken in this period does not have its first
// line typed in the same one.

#include "LoginSession.h"
#include "TransferSession.h"

#include <array>

namespace mgtest {

inline constexpr std::array<const char *, 4> DialogueTickers{
    mg::TransferSession::SerialTicker,
    mg::LoginSession::WakeTicker,
    mg::LoginSession::LineTicker,
    mg::TransferSession::CommandTicker,
};

} // namespace mgtest
