#include "EnatRules.h"

#include "AddressChecks.h"
#include "NumericText.h"
#include "ScriptGenerator.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <optional>

namespace mg {

namespace {

const QString CrLf = QStringLiteral("\r\n");

int entriesInUse(const Configuration &config)
{
    return std::clamp<int>(config.EnatCount, 0, MaxEnatEntries);
}

// The four octets of a dotted quad; nothing for text that is not one, so
// that an unreadable entry read from a file simply covers nothing.
std::optional<std::array<int, 4>> octets(const QString &text)
{
    if (!IsDottedQuad(text))
        return std::nullopt;
    const QStringList parts = text.split(QLatin1Char('.'));
    std::array<int, 4> out{};
    for (int i = 0; i < 4; ++i)
        out[i] = int(leadingNumber(parts[i]));
    return out;
}

bool isDynamicOfKind(int type, CoverBy coverBy)
{
    if (type == DynamicEnat)
        return true;
    return type == DynamicNat && coverBy == CoverBy::AnyDynamic;
}

bool isBroadcastOrZero(const QString &text)
{
    return text == QLatin1String("0.0.0.0") || text == QLatin1String("255.255.255.255");
}

// A port box passes when both are empty or both hold a value in range.
// A static ENAT entry is a port mapping: it needs both ports, and 0 is no
// port at all (the file reader also drops a 0 port, so it could not even be
// saved and reopened).
bool portsAcceptable(const EnatInput &input)
{
    const bool privateEmpty = input.privatePort.isEmpty();
    const bool globalEmpty = input.globalPort.isEmpty();
    if (privateEmpty != globalEmpty)
        return false;
    const std::int64_t lowest = input.type == StaticEnat ? 1 : 0;
    if (privateEmpty)
        return input.type != StaticEnat;
    for (const QString *port : {&input.privatePort, &input.globalPort}) {
        const std::int64_t value = leadingNumber(*port);
        if (value < lowest || value > 65535)
            return false;
    }
    return true;
}

bool sameSide(const EnatEntry &entry, const EnatInput &input, bool global)
{
    switch (input.type) {
    case StaticNat:
        return global ? entry.GlobalIP == input.globalIP : entry.PrivateIP == input.privateIP;
    case StaticEnat:
        return global ? entry.GlobalIP == input.globalIP && entry.GlobalPort == input.globalPort
                      : entry.PrivateIP == input.privateIP && entry.PrivatePort == input.privatePort;
    case DynamicEnat:
        return global ? entry.GlobalIP == input.globalIP && entry.GlobalMask == input.globalMask
                      : entry.PrivateIP == input.privateIP && entry.PrivateMask == input.privateMask;
    default:
        return false;
    }
}

} // namespace

QString enatTypeText(int type)
{
    switch (type) {
    case StaticNat: return QStringLiteral("スタティックNAT(SN)");
    case DynamicNat: return QStringLiteral("ダイナミックNAT(DN)");
    case StaticEnat: return QStringLiteral("スタティックENAT(SE)");
    case DynamicEnat: return QStringLiteral("ダイナミックENAT(DE)");
    default: return {};
    }
}

QString enatTypeCode(int type)
{
    switch (type) {
    case StaticNat: return QStringLiteral("SN");
    case DynamicNat: return QStringLiteral("DN");
    case StaticEnat: return QStringLiteral("SE");
    case DynamicEnat: return QStringLiteral("DE");
    default: return {};
    }
}

bool IsCoveredByDynamic(const Configuration &config, const QString &address,
                        const QString &globalAddress, CoverBy coverBy)
{
    const auto a = octets(address);
    if (!a)
        return false;
    const int used = entriesInUse(config);
    for (int i = 0; i < used; ++i) {
        const EnatEntry &entry = config.EnatList[i];
        if (!isDynamicOfKind(entry.NATType, coverBy) || entry.GlobalIP != globalAddress)
            continue;
        const auto p = octets(entry.PrivateIP);
        const auto m = octets(entry.PrivateMask);
        if (!p || !m)
            continue;
        bool inside = true;
        for (int k = 0; k < 4 && inside; ++k)
            inside = ((*a)[k] & (*m)[k]) == ((*p)[k] & (*m)[k]);
        if (inside)
            return true;
    }
    return false;
}

EnatEntry makeEnatEntry(const EnatInput &input)
{
    EnatEntry entry;
    entry.NATType = int16(input.type);
    entry.PrivateIP = input.privateIP;
    entry.PrivateMask = input.privateMask;
    entry.PrivatePort = input.privatePort;
    if (input.useInterface && input.type == DynamicEnat) {
        entry.GlobalInterFace = input.globalInterface;
    } else {
        entry.GlobalIP = input.globalIP;
        entry.GlobalMask = input.globalMask;
        entry.GlobalPort = input.globalPort;
    }
    if (input.type == StaticEnat)
        entry.Protocol = input.protocol;
    return entry;
}

int findDuplicateEnat(const Configuration &config, const EnatInput &input, bool editing)
{
    if (input.type == DynamicNat)
        return -1;
    const int used = entriesInUse(config);
    for (int i = 0; i < used; ++i) {
        const EnatEntry &entry = config.EnatList[i];
        if (entry.NATType != input.type)
            continue;
        if (!sameSide(entry, input, false))
            continue;
        if (editing && !sameSide(entry, input, true))
            continue;
        return i;
    }
    return -1;
}

EnatFault checkEnatInput(const Configuration &config, const EnatInput &input, int editIndex)
{
    const bool useInterface = input.useInterface && input.type == DynamicEnat;
    if (isBroadcastOrZero(input.privateIP) || !IsDottedQuad(input.privateIP))
        return EnatFault::PrivateAddress;
    if (isBroadcastOrZero(input.globalIP) || (!useInterface && !IsDottedQuad(input.globalIP)))
        return EnatFault::GlobalAddress;
    const bool maskedPrivate = input.type == DynamicNat || input.type == DynamicEnat;
    if (input.privateMask == QLatin1String("0.0.0.0")
        || (maskedPrivate && !IsDottedQuad(input.privateMask)))
        return EnatFault::PrivateMask;
    if (input.globalMask == QLatin1String("0.0.0.0")
        || (input.type == DynamicNat && !IsDottedQuad(input.globalMask)))
        return EnatFault::GlobalMask;
    if (!portsAcceptable(input))
        return EnatFault::Port;
    const int duplicate = findDuplicateEnat(config, input, editIndex >= 0);
    if (duplicate >= 0 && duplicate != editIndex)
        return EnatFault::Duplicate;
    if (input.type == StaticNat
        && IsCoveredByDynamic(config, input.privateIP, input.globalIP, CoverBy::AnyDynamic))
        return EnatFault::UsedByDynamic;
    if (input.type == StaticEnat
        && !IsCoveredByDynamic(config, input.privateIP, input.globalIP, CoverBy::DynamicEnatOnly))
        return EnatFault::NoDynamicCover;
    return EnatFault::None;
}

EnatFaultMessage enatFaultText(EnatFault fault, int type)
{
    auto format = [](const QString &field) {
        const FormatErrorMessage m = ReportFormatError(field);
        return EnatFaultMessage{m.text, m.title};
    };
    switch (fault) {
    case EnatFault::None:
        return {};
    case EnatFault::PrivateAddress:
        return format(QStringLiteral("プライベートIPアドレス"));
    case EnatFault::GlobalAddress:
        return format(QStringLiteral("グローバルIPアドレス"));
    case EnatFault::PrivateMask:
        return format(QStringLiteral("プライベートネットマスク"));
    case EnatFault::GlobalMask:
        return format(QStringLiteral("グローバルネットマスク"));
    case EnatFault::Port:
        return {QStringLiteral("ポート番号の形式が正しくありません。"), QStringLiteral("ENATの詳細設定")};
    case EnatFault::Duplicate:
        return {QStringLiteral("そのプライベートIPアドレス、または、グローバルIPアドレスを") + CrLf
                    + QStringLiteral("使用した設定はすでに存在します。"),
                enatTypeText(type)};
    case EnatFault::UsedByDynamic:
        return {QStringLiteral("このIPアドレスは、ダイナミックな設定に使われています。"), enatTypeText(type)};
    case EnatFault::NoDynamicCover:
        return {QStringLiteral("このプライベートIPアドレスを含むダイナミックENAT") + CrLf
                    + QStringLiteral("の設定がありません。スタティックENATの設定は、この") + CrLf
                    + QStringLiteral("プライベートIPアドレスを含むダイナミックENATの設定を") + CrLf
                    + QStringLiteral("追加してから行って下さい。"),
                enatTypeText(type)};
    }
    return {};
}

QList<int> removeUncoveredStaticEnat(Configuration &config)
{
    QList<int> removed;
    bool again = true;
    while (again) {
        again = false;
        const int used = entriesInUse(config);
        for (int i = 0; i < used; ++i) {
            const EnatEntry &entry = config.EnatList[i];
            if (entry.NATType != StaticEnat)
                continue;
            if (IsCoveredByDynamic(config, entry.PrivateIP, entry.GlobalIP, CoverBy::DynamicEnatOnly))
                continue;
            if (config.removeEnat(i)) {
                removed << i;
                again = true;
            }
            break;
        }
    }
    return removed;
}

QStringList globalInterfaceNames(const Configuration &config)
{
    const int destinations = std::clamp<int>(config.TabCount - 1, 0, MaxDestinations);
    QStringList names;
    for (int n = 1; n <= destinations; ++n)
        names << pppInterface(n);
    names << QStringLiteral("eth0");
    return names;
}

QString enatListFullText()
{
    return QStringLiteral("これ以上ENATの設定を追加することはできません。") + CrLf
        + QStringLiteral("登録できる設定は%1個までです。").arg(MaxEnatEntries);
}

bool askLanEnatEntries(Configuration &config, MessagePrompt &prompt, const QString &caption)
{
    // Without a readable LAN address there is no network to offer; the entry
    // would carry a made-up address into the script.
    if (!IsDottedQuad(config.Common.EthIP) || !IsDottedQuad(config.Common.EthMask))
        return false;
    const int destinations = std::clamp<int>(config.TabCount - 1, 0, MaxDestinations);
    bool changed = false;
    for (int n = 1; n <= destinations; ++n) {
        if (config.destination(n).Type != 1)
            continue;
        if (config.hasLanEnatEntry())
            return changed;
        const MessageAnswer answer = prompt.show(lanEnatQuestion(n), lanEnatQuestionTitle(),
                                                 MessageIcon::Information, MessageButtons::YesNo);
        if (answer != MessageAnswer::Yes)
            return changed;
        if (!config.appendEnat(config.lanEnatEntry(n))) {
            prompt.critical(enatListFullText(), caption);
            return changed;
        }
        changed = true;
    }
    return changed;
}

} // namespace mg
