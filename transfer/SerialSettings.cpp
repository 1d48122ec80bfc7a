#include "SerialSettings.h"

#include <QRegularExpression>

namespace mg {

namespace {

// The speed field holds at most nine digits: any such number fits the
// line's speed, and a longer one is a typing slip, not a speed.
constexpr qint32 MaxSpeed = 999999999;

QString malformed(const QString &text)
{
    return QStringLiteral("通信設定「%1」が正しくありません。「9600,n,8,1」の形で、速度、パリティ (e, o, n, m, s)、"
                          "データ ビット (4 から 8)、ストップ ビット (1, 1.5, 2) を指定してください。")
        .arg(text);
}

QString speedRefused(qint32 speed) { return QStringLiteral("通信速度 %1 は使用できません。").arg(speed); }

SerialSettings::Parity parityOf(QChar letter)
{
    switch (letter.toLower().toLatin1()) {
    case 'e': return SerialSettings::Parity::Even;
    case 'o': return SerialSettings::Parity::Odd;
    case 'm': return SerialSettings::Parity::Mark;
    case 's': return SerialSettings::Parity::Space;
    default: return SerialSettings::Parity::None;
    }
}

SerialSettings::StopBits stopBitsOf(const QString &text)
{
    if (text == QLatin1String("2"))
        return SerialSettings::StopBits::Two;
    if (text == QLatin1String("1.5"))
        return SerialSettings::StopBits::OneAndHalf;
    return SerialSettings::StopBits::One;
}

} // namespace

std::optional<SerialSettings> SerialSettings::parse(const QString &text, QString *error)
{
    static const QRegularExpression form(
        QStringLiteral("^\\s*([0-9]{1,9})\\s*,\\s*([eonmsEONMS])\\s*,\\s*([4-8])\\s*,\\s*(1|1\\.5|2)\\s*$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch()) {
        if (error)
            *error = malformed(text);
        return std::nullopt;
    }
    SerialSettings settings;
    settings.speed = match.captured(1).toInt();
    settings.parity = parityOf(match.captured(2).at(0));
    settings.dataBits = match.captured(3).toInt();
    settings.stopBits = stopBitsOf(match.captured(4));
    if (settings.speed <= 0) {
        if (error)
            *error = speedRefused(settings.speed);
        return std::nullopt;
    }
    return settings;
}

std::optional<SerialSettings::Flow> SerialSettings::flowOf(int number)
{
    if (number < 0 || number > 3)
        return std::nullopt;
    return Flow(number);
}

QString SerialSettings::format() const
{
    return QStringLiteral("%1,%2,%3,%4").arg(speed).arg(parityLetter()).arg(dataBits).arg(stopBitsText());
}

QString SerialSettings::describe() const
{
    return QStringLiteral("%1、フロー制御%2").arg(format(), flowName(flow));
}

QString SerialSettings::problem() const
{
    if (speed <= 0 || speed > MaxSpeed)
        return speedRefused(speed);
    if (dataBits < 4 || dataBits > 8)
        return malformed(format());
    return QString();
}

QChar SerialSettings::parityLetter() const
{
    switch (parity) {
    case Parity::Even: return QLatin1Char('e');
    case Parity::Odd: return QLatin1Char('o');
    case Parity::Mark: return QLatin1Char('m');
    case Parity::Space: return QLatin1Char('s');
    case Parity::None: break;
    }
    return QLatin1Char('n');
}

QString SerialSettings::parityDescription() const
{
    switch (parity) {
    case Parity::Even: return QStringLiteral("偶数パリティ (e)");
    case Parity::Odd: return QStringLiteral("奇数パリティ (o)");
    case Parity::Mark: return QStringLiteral("マーク パリティ (m)");
    case Parity::Space: return QStringLiteral("スペース パリティ (s)");
    case Parity::None: break;
    }
    return QStringLiteral("パリティなし (n)");
}

QString SerialSettings::stopBitsText() const
{
    switch (stopBits) {
    case StopBits::OneAndHalf: return QStringLiteral("1.5");
    case StopBits::Two: return QStringLiteral("2");
    case StopBits::One: break;
    }
    return QStringLiteral("1");
}

QString SerialSettings::flowName(Flow flow)
{
    switch (flow) {
    case Flow::XonXoff: return QStringLiteral(" Xon/Xoff");
    case Flow::Rts: return QStringLiteral(" RTS");
    case Flow::XonRts: return QStringLiteral(" Xon/RTS");
    case Flow::None: break;
    }
    return QStringLiteral("なし");
}

} // namespace mg
