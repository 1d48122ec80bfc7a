#pragma once

#include <QString>

// What the router's login and its password prompts take: the rules the
// login window and the default password dialog type by, for callers that
// get a user name or password some other way (the command line).
namespace mg::PasswordRules {

inline constexpr int MaxLength = 32;
inline constexpr int MinNewPasswordLength = 6;

// Letters and digits only.
bool isUserNameCharacter(QChar c);
// Printable ASCII from the space to "~", without the double quote and "?".
bool isLoginPasswordCharacter(QChar c);
// The same without the space: the router's password prompt ends at one.
bool isNewPasswordCharacter(QChar c);

// Empty when the text may be used; otherwise what is wrong with it.
QString checkUserName(const QString &name);
QString checkLoginPassword(const QString &password);
QString checkNewPassword(const QString &password);
// For a transfer over the LAN only: the password encoder is given the
// password as words split at blanks, so blanks at either end or two in a
// row would be lost. The serial line types the password as it is.
QString checkEncodablePassword(const QString &password);

} // namespace mg::PasswordRules
