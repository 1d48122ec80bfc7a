#include "BodChecks.h"

#include "AddressChecks.h"
#include "NumericText.h"

namespace mg {

QString bodDefault(BodField field)
{
    switch (field) {
    case BodField::Uprate: return QStringLiteral("80");
    case BodField::Uptime: return QStringLiteral("30");
    case BodField::Downrate: return QStringLiteral("20");
    case BodField::Downtime: return QStringLiteral("60");
    }
    return {};
}

QString bodText(const BodSetting &bod, BodField field)
{
    switch (field) {
    case BodField::Uprate: return bod.Uprate;
    case BodField::Uptime: return bod.Uptime;
    case BodField::Downrate: return bod.Downrate;
    case BodField::Downtime: return bod.Downtime;
    }
    return {};
}

bool filterBodKey(const QString &currentText, int keyCode, int maxLength)
{
    if (keyCode == BackspaceKey)
        return true;
    return FilterDigitKey(currentText, keyCode) && currentText.size() < maxLength;
}

std::optional<BodCheckFailure> checkBodSetting(const BodSetting &texts)
{
    const QString addBlank = QStringLiteral("追加接続条件に空欄があります。この項目は省略できません。");
    const QString dropBlank = QStringLiteral("切断条件に空欄があります。この項目は省略できません。");
    const QString rateRange = QStringLiteral("割合は、0～100% までの間で指定して下さい。");
    const QString timeRange = QStringLiteral("時間は、0～65535秒までの間で指定して下さい。");

    struct Rule {
        BodField field;
        const QString &blank;
        std::int64_t maximum;
        const QString &range;
    };
    const Rule rules[] = {
        {BodField::Uprate, addBlank, 100, rateRange},
        {BodField::Uptime, addBlank, 65535, timeRange},
        {BodField::Downrate, dropBlank, 100, rateRange},
        {BodField::Downtime, dropBlank, 65535, timeRange},
    };
    for (const Rule &rule : rules) {
        const QString text = bodText(texts, rule.field);
        if (text.isEmpty())
            return BodCheckFailure{rule.field, rule.blank};
        // The wide parse: the 16-bit one would hold 70000 at 32767 and let it
        // through as a valid time.
        const std::int64_t value = leadingNumber(text);
        if (value < 0 || value > rule.maximum)
            return BodCheckFailure{rule.field, rule.range};
    }
    return std::nullopt;
}

} // namespace mg
