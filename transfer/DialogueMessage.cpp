#include "DialogueMessage.h"

#include "SendText.h"

namespace mg::DialogueMessages {

namespace {
const QString LoginFailed = QStringLiteral("ログイン失敗");
const QString CheckCable = QStringLiteral("KV700 と PC との接続を確認してください。");
const QString CheckAddress = QStringLiteral("ルータの IP アドレスを確認してください。");
const QString LoginFailedLine = QStringLiteral("ログインに失敗しました。\r\n");
} // namespace

DialogueMessage NoAnswer()
{
    return {QStringLiteral("応答なし"), QStringLiteral("KV700 から応答がありません。\r\n") + CheckCable,
            MessageIcon::Information};
}

DialogueMessage LoginRefused()
{
    return {LoginFailed, LoginFailedLine + QStringLiteral("ユーザ名とパスワードを確認してください。"),
            MessageIcon::Information};
}

DialogueMessage LoginNoPrompt(bool serial)
{
    return {LoginFailed, LoginFailedLine + (serial ? CheckCable : CheckAddress), MessageIcon::Information};
}

DialogueMessage NotConnected()
{
    return {LoginFailed, LoginFailedLine + CheckAddress, MessageIcon::Information};
}

DialogueMessage ConnectionFailed()
{
    return {QStringLiteral("接続失敗"),
            QStringLiteral("ログインに失敗しました。ルータの IP アドレス\r\nを再確認して下さい。"),
            MessageIcon::Critical};
}

DialogueMessage ConnectionLost()
{
    // The router's wording, kept as it has always been shown.
    return {QStringLiteral("接続エラー"),
            QStringLiteral("KV700 と接続できません。ルータのIPアドレスや、"
                           "ルータの電源が入ってるいるかどうか等を確認して下さい。"),
            MessageIcon::Critical};
}

DialogueMessage LoadFailed()
{
    return {QStringLiteral("設定の送信"),
            QStringLiteral("設定の送信に失敗しました。\r\nルータに同じ名前の設定"
                           "ファイルがないか、または、ルータのフラッシュメモリに十分な\r\n"
                           "空き容量があるか確認してから設定を送信して下さい。"),
            MessageIcon::Critical};
}

DialogueMessage Completed(const QString &routerAddress)
{
    if (routerAddress == SendText::RemoteOperationAddress) {
        return {QStringLiteral("完了"),
                QStringLiteral("KV700 の設定を完了しました。\r\n一旦電源を切り、ディップスイッチ２を OFF にした後、\r\n"
                               "電源を入れ直して下さい。"),
                MessageIcon::Information};
    }
    return {QStringLiteral("完了"), QStringLiteral("KV700 の設定が完了しました。"), MessageIcon::Information};
}

DialogueMessage SerialWriteFailed(const QString &description)
{
    return {QStringLiteral("設定の送信"),
            QStringLiteral("シリアルポートに書き込めないため、設定の送信を中止しました。\r\n") + description,
            MessageIcon::Critical};
}

DialogueMessage FileServerFailed(const QString &description)
{
    return {QStringLiteral("設定の送信"), description, MessageIcon::Critical};
}

DialogueMessage TimedOut(int seconds)
{
    return {QStringLiteral("時間切れ"),
            QStringLiteral("%1 秒たっても KV700 の設定が終わらないため、中止しました。\r\n").arg(seconds) + CheckCable,
            MessageIcon::Critical};
}

} // namespace mg::DialogueMessages
