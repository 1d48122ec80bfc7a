#include "PasswordRules.h"

#include "ManagerAccount.h"

namespace mg::PasswordRules {

namespace {

// The first character a rule refuses, for the message.
QString refused(const QString &text, bool (*accepts)(QChar))
{
    for (const QChar c : text) {
        if (!accepts(c))
            return c.unicode() < 0x20 || c.unicode() == 0x7f ? QStringLiteral("制御文字") : QStringLiteral("「%1」").arg(c);
    }
    return QString();
}

} // namespace

bool isUserNameCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
}

bool isLoginPasswordCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return u >= ' ' && u <= '~' && u != '"' && u != '?';
}

bool isNewPasswordCharacter(QChar c)
{
    return c != QLatin1Char(' ') && isLoginPasswordCharacter(c);
}

QString checkUserName(const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("ユーザ名が空です。");
    if (name.size() > MaxLength)
        return QStringLiteral("ユーザ名は %1 文字までです。").arg(MaxLength);
    const QString bad = refused(name, isUserNameCharacter);
    if (!bad.isEmpty())
        return QStringLiteral("ユーザ名に使えない文字 %1 があります (英字と数字だけが使えます)。").arg(bad);
    return QString();
}

QString checkLoginPassword(const QString &password)
{
    if (password.isEmpty())
        return QStringLiteral("パスワードが空です。");
    if (password.size() > MaxLength)
        return QStringLiteral("パスワードは %1 文字までです。").arg(MaxLength);
    // The character itself is not named: it is a part of the password.
    if (!refused(password, isLoginPasswordCharacter).isEmpty())
        return QStringLiteral("パスワードに使えない文字があります (半角の英数字と記号、空白が使えます。\" と ? は使えません)。");
    return QString();
}

QString checkNewPassword(const QString &password)
{
    if (password.size() < MinNewPasswordLength)
        return QStringLiteral("新しいパスワードは %1 文字以上にしてください。").arg(MinNewPasswordLength);
    if (password.size() > MaxLength)
        return QStringLiteral("新しいパスワードは %1 文字までです。").arg(MaxLength);
    if (!refused(password, isNewPasswordCharacter).isEmpty())
        return QStringLiteral("新しいパスワードに使えない文字があります (半角の英数字と記号が使えます。空白、\" と ? は使えません)。");
    return QString();
}

QString checkEncodablePassword(const QString &password)
{
    // The step that starts the encoder knows how it splits the password.
    return encoderPasswordProblem(password);
}

} // namespace mg::PasswordRules
