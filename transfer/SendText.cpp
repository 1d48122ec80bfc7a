#include "SendText.h"

#include "ShiftJis.h"

#include <QRegularExpression>
#include <QStringList>

namespace mg::SendText {

namespace {

const QString CrLf = QStringLiteral("\r\n");

QString lines(const QStringList &list)
{
    QString text;
    for (const QString &line : list)
        text += line + CrLf;
    return text;
}

} // namespace

QString configName(const QString &configFileName)
{
    return configFileName.isEmpty() ? DefaultConfigName : configFileName;
}

bool configNameAllowed(const QString &name)
{
    if (name.isEmpty())
        return false;
    for (const QChar c : name) {
        if (c.isSpace() || c.category() == QChar::Other_Control || c.category() == QChar::Other_Format
            || c == QLatin1Char('"') || c == QLatin1Char('?') || c == QLatin1Char('\\'))
            return false;
    }
    return ShiftJis::encode(name).has_value();
}

QString serialText(const QString &commandScript)
{
    // The empty lines give the router time: the console is typed blind, one
    // line per second.
    return lines({QString(), QStringLiteral("delete file=config.ins"),
                  QStringLiteral("rename boot.cfg boot_bak.cfg"), QString(), QString(),
                  QStringLiteral("restart router"), QString(), FactoryUser, FactoryPassword, QString(),
                  QStringLiteral("set port=0 page=0")})
        + commandScript;
}

QString serialTail(const std::optional<QString> &managerPassword, const QString &configName)
{
    QString tail;
    if (managerPassword) {
        tail = lines({QStringLiteral("set password"), FactoryPassword, *managerPassword, *managerPassword,
                      QString()});
    }
    return tail
        + lines({QStringLiteral("set port=0 page=22"), QStringLiteral("create config=") + configName,
                 QStringLiteral("set config=") + configName, QStringLiteral("restart router")});
}

QString serialLoginLines(bool atCommandPrompt, const QString &user, const QString &password)
{
    const QString login = atCommandPrompt ? QStringLiteral("login ") + user : user;
    return lines({login, password, QString()});
}

QString telnetLoginLines(const QString &user, const QString &password)
{
    return lines({QString(), user, password});
}

QString loadCommands(const QString &configName, const QString &pcAddress)
{
    return lines({QString(), QStringLiteral("load file=%1 server=%2 destination=flash").arg(configName, pcAddress)});
}

QString bootCommands(const QString &configName, const QString &routerAddress)
{
    QStringList list{QStringLiteral("set config=") + configName};
    if (routerAddress != RemoteOperationAddress)
        list << QStringLiteral("restart router");
    return lines(list);
}

QStringList scriptPasswords(const QString &commandScript)
{
    static const QRegularExpression word(QStringLiteral("(?:^|\\s)(?:password|pass)=(?:\"([^\"\\r\\n]*)\"|([^\\s\"]+))"),
                                         QRegularExpression::CaseInsensitiveOption);
    QStringList passwords;
    for (QRegularExpressionMatchIterator it = word.globalMatch(commandScript); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QString value = match.captured(1).isEmpty() ? match.captured(2) : match.captured(1);
        if (!value.isEmpty() && !passwords.contains(value))
            passwords << value;
    }
    return passwords;
}

bool isFactoryLogin(const QString &user, const QString &password)
{
    return user == FactoryUser && password == FactoryPassword;
}

std::optional<QString> passwordAfterLogin(const QString &password)
{
    if (password == FactoryPassword)
        return std::nullopt;
    return password;
}

} // namespace mg::SendText
