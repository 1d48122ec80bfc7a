#include "DialogueMessage.h"

#include "SendText.h"

namespace mg::DialogueMessages {

namespace {
const QString LoginFailed = QStringLiteral("ログイン失敗");
const QString CheckCable = QStringLiteral("KV700 と PC との接続を確認してください。");
const QString CheckAddress = QStringLiteral("ルータの IP アドレスを確認してください。");
const QString LoginFailedLine = QStringLiteral("ログインに失敗しました。\r\n");
} // namespace

DialogueMessage noAnswer()
{
    return {QStringLiteral("応答なし"), QStringLiteral("KV700 から応答がありません。\r\n") + CheckCable,
            MessageIcon::Information};
}

DialogueMessage loginRefused()
{
    return {LoginFailed, LoginFailedLine + QStringLiteral("ユーザ名とパスワードを確認してください。"),
            MessageIcon::Information};
}

DialogueMessage loginNoPrompt(bool serial)
{
    return {LoginFailed, LoginFailedLine + (serial ? CheckCable : CheckAddress), MessageIcon::Information};
}

DialogueMessage notConnected()
{
    return {LoginFailed, LoginFailedLine + CheckAddress, MessageIcon::Information};
}

DialogueMessage connectionFailed()
{
    return {QStringLiteral("接続失敗"),
            QStringLiteral("ログインに失敗しました。ルータの IP アドレス\r\nを再確認して下さい。"),
            MessageIcon::Critical};
}

DialogueMessage connectionLost()
{
    // The router's wording, kept as it has always been shown.
    return {QStringLiteral("接続エラー"),
            QStringLiteral("KV700 と接続できません。ルータのIPアドレスや、"
                           "ルータの電源が入ってるいるかどうか等を確認して下さい。"),
            MessageIcon::Critical};
}

DialogueMessage loadFailed()
{
    return {QStringLiteral("設定の送信"),
            QStringLiteral("設定の送信に失敗しました。\r\nルータに同じ名前の設定"
                           "ファイルがないか、または、ルータのフラッシュメモリに十分な\r\n"
                           "空き容量があるか確認してから設定を送信して下さい。"),
            MessageIcon::Critical};
}

DialogueMessage completed(const QString &routerAddress)
{
    if (routerAddress == SendText::RemoteOperationAddress) {
        return {QStringLiteral("完了"),
                QStringLiteral("KV700 の設定を完了しました。\r\n一旦電源を切り、ディップスイッチ２を OFF にした後、\r\n"
                               "電源を入れ直して下さい。"),
                MessageIcon::Information};
    }
    return {QStringLiteral("完了"), QStringLiteral("KV700 の設定が完了しました。"), MessageIcon::Information};
}

DialogueMessage serialWriteFailed(const QString &description)
{
    return {QStringLiteral("設定の送信"),
            QStringLiteral("シリアルポートに書き込めないため、設定の送信を中止しました。\r\n") + description,
            MessageIcon::Critical};
}

DialogueMessage fileServerFailed(const QString &description)
{
    return {QStringLiteral("設定の送信"), description, MessageIcon::Critical};
}

DialogueMessage timedOut(int seconds)
{
    return {QStringLiteral("時間切れ"),
            QStringLiteral("%1 秒たっても KV700 の設定が終わらないため、中止しました。\r\n").arg(seconds) + CheckCable,
            MessageIcon::Critical};
}

namespace {
const QString SendTitle = QStringLiteral("設定の送信");
// Every serial failure after the reset leaves the router in the same state.
const QString AfterReset = QStringLiteral(
    "KV700 は工場出荷時の設定に戻した状態で、新しい設定は起動設定として保存されていません。\r\n");
} // namespace

DialogueMessage consoleLineRefused(const QString &line, int scriptLine, const QString &routerLine)
{
    const QString what = scriptLine > 0 ? QStringLiteral("KV700 が設定の %1 行目を受け付けませんでした。\r\n%1: %2\r\n").arg(scriptLine).arg(line)
                                        : QStringLiteral("KV700 が「%1」を受け付けませんでした。\r\n").arg(line);
    return {SendTitle,
            what + QStringLiteral("ルータの表示: %1\r\n").arg(routerLine) + AfterReset
                + QStringLiteral("設定を確認してから送信し直してください。"),
            MessageIcon::Critical};
}

DialogueMessage consoleWrongPrompt(const QString &line, const QString &routerLine)
{
    return {SendTitle,
            QStringLiteral("KV700 が「%1」に思いがけない応答をしたため、設定の送信を中止しました。\r\n").arg(line)
                + QStringLiteral("ルータの表示: %1\r\n").arg(routerLine) + AfterReset
                + QStringLiteral("送信の記録を確認してから送信し直してください。"),
            MessageIcon::Critical};
}

DialogueMessage consoleNoAnswer(const QString &line, int seconds)
{
    return {SendTitle,
            QStringLiteral("KV700 が「%1」に %2 秒たっても応答しないため、設定の送信を中止しました。\r\n").arg(line).arg(seconds)
                + AfterReset + CheckCable,
            MessageIcon::Critical};
}

DialogueMessage notFactorySettings()
{
    return {SendTitle,
            QStringLiteral("KV700 が再起動の後、工場出荷時の設定に戻りませんでした (工場出荷時のパスワードでログインできません)。\r\n"
                           "以前の送信で boot.cfg 以外の設定ファイルから起動するようにしてあると、このようになります。\r\n"
                           "KV700 は以前の設定で動いています。設定は何も入力していません (boot.cfg があった場合は boot_bak.cfg に名前を変えてあります)。\r\n"
                           "「IP ネットワーク経由」で送信してください (リセットは要りません)。"),
            MessageIcon::Critical};
}

DialogueMessage noLoginAfterRestart(int seconds)
{
    return {SendTitle,
            QStringLiteral("KV700 が再起動してから %1 秒たってもログインの表示が出ないため、設定の送信を中止しました。\r\n").arg(seconds)
                + QStringLiteral("再起動の後は何も入力していません。KV700 には以前の設定が残っていることがあります。\r\n")
                + QStringLiteral("KV700 の電源と PC との接続を確認し、KV700 が起動し終わってから送信し直してください。"),
            MessageIcon::Critical};
}

DialogueMessage stalled(int seconds, bool serial)
{
    return {QStringLiteral("応答なし"),
            QStringLiteral("%1 秒の間 KV700 から何の表示もなく、送信も進まないため、設定の送信を中止しました。\r\n").arg(seconds)
                + (serial ? CheckCable : CheckAddress),
            MessageIcon::Critical};
}

DialogueMessage badConfigName(const QString &name)
{
    return {SendTitle,
            QStringLiteral("設定ファイルの名前「%1」は KV700 のコマンドで使えません。\r\n").arg(name)
                + QStringLiteral("空白、「\"」、「?」、「\\」、制御文字、Shift_JIS にない文字を含まない名前で設定を保存し直してから送信してください。\r\n")
                + QStringLiteral("KV700 には何も送っていません。"),
            MessageIcon::Critical};
}

DialogueMessage stopped(const TransferState &state)
{
    const QString &name = state.configName;
    QString text = QStringLiteral("設定の送信を中止しました。KV700 は次の状態です。\r\n");
    QString advice;
    if (state.method == TransferMethod::Serial) {
        if (!state.bootMovedAside) {
            text += QStringLiteral("・KV700 の設定は何も変えていません。\r\n");
        } else if (!state.restarted) {
            text += QStringLiteral("・boot.cfg を boot_bak.cfg に名前を変えましたが、リセットの再起動 (restart router) はまだです。"
                                   "KV700 は今までの設定で動いていますが、次に起動すると工場出荷時の設定になります。\r\n");
        } else {
            text += QStringLiteral("・リセットの再起動 (restart router) をしました。KV700 は工場出荷時の設定で起動しています"
                                   " (boot.cfg があった場合は boot_bak.cfg に名前を変えてあります)。\r\n");
        }
        text += QStringLiteral("・送信した行: %1 / %2\r\n").arg(state.linesSent).arg(state.linesTotal);
        if (state.bootConfigTaken) {
            text += QStringLiteral("・起動設定を %1 にしました (KV700 が受け付けました)。\r\n").arg(name);
            advice = QStringLiteral("新しい設定は %1 に保存され、起動設定になっています。最後の再起動 (restart router) はまだです。\r\n"
                                    "KV700 の電源を入れ直すと、新しい設定で起動します。").arg(name);
        } else if (state.bootConfigSent) {
            text += QStringLiteral("・起動設定を %1 にする行 (set config=%1) を入力しましたが、KV700 が受け付けたかどうかは確かめていません。\r\n").arg(name);
            // A router that boots from its own file is not brought back to
            // the factory settings by the serial reset.
            advice = QStringLiteral("KV700 が %1 から起動するようになっていると、シリアルポート経由のリセットでは工場出荷時の設定に戻りません。\r\n"
                                    "送信の記録で KV700 の応答を確かめ、KV700 を工場出荷時の設定に戻してから送信し直してください。").arg(name);
        } else {
            text += QStringLiteral("・起動設定は変えていません。\r\n");
            advice = state.bootMovedAside
                ? QStringLiteral("新しい設定は起動設定として保存されていません。KV700 を再起動すると工場出荷時の設定で起動します。\r\n"
                                 "シリアルポート経由でもう一度送信してください。")
                : QStringLiteral("もう一度送信してください。");
        }
    } else {
        if (state.fileFetched)
            text += QStringLiteral("・KV700 は設定ファイル %1 を受け取り、フラッシュに保存しました。\r\n").arg(name);
        else
            text += QStringLiteral("・KV700 は設定ファイル %1 を最後まで受け取っていません。\r\n").arg(name);
        if (state.bootConfigSent) {
            text += QStringLiteral("・起動設定を %1 にするコマンド (set config=%1) を送りました。\r\n").arg(name);
            advice = QStringLiteral("再起動のコマンドはまだ送っていません。KV700 を再起動すると、新しい設定で起動します。");
        } else {
            text += QStringLiteral("・起動設定は変えていません (KV700 は今までの設定で動いています)。\r\n");
            // The router refuses a file under a name its flash already holds.
            advice = state.fileFetched
                ? QStringLiteral("KV700 は同じ名前のファイルがあると受け付けないため、KV700 のフラッシュの %1 を削除するか、"
                                 "設定を別の名前で保存してから、もう一度送信してください。").arg(name)
                : QStringLiteral("KV700 の設定は変わっていません。もう一度送信してください。");
        }
    }
    return {QStringLiteral("送信の中止"), text + QStringLiteral("\r\n") + advice, MessageIcon::Warning};
}

} // namespace mg::DialogueMessages
