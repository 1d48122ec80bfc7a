#pragma once

#include <QString>

#include <chrono>

namespace mg::StandInEncoder {

// The tzel built with this program writes a placeholder that a real router
// cannot read: a LAN installation with it would set a manager password
// nobody can type, and the router would still take the file. So the
// stand-in answers this one argument, given alone, with Marker on a line of
// its own and status 0, and the program asks before it goes on.
//
// The maker's encoder cannot pass for it: given the argument it encodes it
// as a password word (or refuses it), and an encoded password is a single
// word with no blank in it (isEncodedPasswordLine), while Marker has blanks.
// Given the argument with "> pass.tmp" after it, as a password word, the
// stand-in encodes it like any other.
inline constexpr char IdentifyArgument[] = "--identify-standin";
inline constexpr char Marker[] = "marrowgate tzel stand-in: placeholder encoding, not the router maker's";

// The stand-in answers at once; an encoder that is still busy after this
// is not the stand-in.
inline constexpr std::chrono::milliseconds AnswerTimeout{5000};

// Whether the encoder "tzel" in the program folder is the stand-in. Asks it
// in a private working folder of its own, removed afterwards, so that
// whatever a real encoder makes of the question is left nowhere. False for
// a missing encoder, one that fails, or one that does not answer in time
// (the transfer then reports those itself).
bool isStandIn(const QString &programFolder);

// The encoder's path in the program folder, as the transfer starts it.
QString encoderPath(const QString &programFolder);

// Why the stand-in must not reach a real router, for the operator.
QString explanation(const QString &encoderPath);
// What to do about it, for the operator.
QString remedy(const QString &encoderPath);

} // namespace mg::StandInEncoder
