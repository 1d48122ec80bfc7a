#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// What the program types to the router: the serial console session and the
// Telnet commands. Every line ends with CR LF.
namespace mg::SendText {

inline const QString FactoryUser = QStringLiteral("manager");
inline const QString FactoryPassword = QStringLiteral("pastry");
// The file name the router is told when the configuration has no saved name.
inline const QString DefaultConfigName = QStringLiteral("kelpin.cfg");
// The router's address in remote-operation mode: it is not restarted at the
// end, the operator power-cycles it.
inline const QString RemoteOperationAddress = QStringLiteral("192.168.42.2");

// The name the router stores the configuration under.
QString configName(const QString &configFileName);

// Whether the router's commands can carry the name ("create config=NAME",
// "load file=NAME"): they split their words at blanks, take "?" for help
// and quotes for text, and the line is Shift_JIS.
bool configNameAllowed(const QString &name);

// The serial console session before the tail: move the boot configuration
// aside, restart with factory settings, log in with the factory password,
// switch paging off, then the command script.
QString serialText(const QString &commandScript);

// The lines after the script on the serial console. With a password, the
// manager password is set to it first ("set password" and its three
// answers); without one the factory password stays. Then the configuration
// is saved under the name, made the boot configuration and the router
// restarted.
QString serialTail(const std::optional<QString> &managerPassword, const QString &configName);

// The login as typed at the console after the wake-up: at a login prompt
// (": ") the user name and password, at a command prompt ("> ") the login
// command first.
QString serialLoginLines(bool atCommandPrompt, const QString &user, const QString &password);
QString telnetLoginLines(const QString &user, const QString &password);

// The Telnet queue: fetch the file from this PC's TFTP server into flash...
QString loadCommands(const QString &configName, const QString &pcAddress);
// ... then make it the boot configuration and restart, except in
// remote-operation mode.
QString bootCommands(const QString &configName, const QString &routerAddress);

// The passwords a command script carries: the values of its "password=" and
// "pass=" words, quoted or not (the destinations' accounts). What is kept
// or shown of a session hides them as it hides the router's own.
QStringList scriptPasswords(const QString &commandScript);

// Whether a login was made with the factory account: then the operator is
// offered to replace the password before anything is installed.
bool isFactoryLogin(const QString &user, const QString &password);

// The manager password that the installed configuration carries after a
// login that was not the factory one: the password typed, so the manager
// keeps the password used to log in; nothing when that is the factory
// password (a user other than "manager" logged in with it), so no stale or
// empty password is ever set.
std::optional<QString> passwordAfterLogin(const QString &password);

} // namespace mg::SendText
