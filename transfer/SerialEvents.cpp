#include "SerialEvents.h"

namespace mg {

const QString SerialErrorTitle =
    QStringLiteral("中断する場合は [ｷｬﾝｾﾙ] を、無視する場合は [OK] をｸﾘｯｸしてください。");

QString serialEventText(int code)
{
    switch (code) {
    case SerialEvent::Sent:
    case SerialEvent::Received:
    case SerialEvent::CtsChanged:
    case SerialEvent::DsrChanged:
    case SerialEvent::CdChanged:
    case SerialEvent::Ring:
    case SerialEvent::EndOfFile: return QString();
    case SerialEvent::Break: return QStringLiteral("ﾌﾞﾚｰｸ信号を検出しました。");
    case SerialEvent::CtsTimeout: return QStringLiteral("CTS ﾀｲﾑｱｳﾄを検出しました。");
    case SerialEvent::DsrTimeout: return QStringLiteral("DSR ﾀｲﾑｱｳﾄを検出しました。");
    case SerialEvent::Framing: return QStringLiteral("ﾌﾚｰﾐﾝｸﾞ ｴﾗｰが発生しました。");
    case SerialEvent::Overrun: return QStringLiteral("ｵｰﾊﾞｰﾗﾝ ｴﾗｰが発生しました。");
    case SerialEvent::CdTimeout: return QStringLiteral("CD ﾀｲﾑｱｳﾄを検出しました。");
    case SerialEvent::ReceiveOverflow: return QStringLiteral("受信ﾊﾞｯﾌｧがｵｰﾊﾞｰﾌﾛｰしました。");
    case SerialEvent::Parity: return QStringLiteral("ﾊﾟﾘﾃｨ ｴﾗｰが発生しました。");
    case SerialEvent::SendBufferFull: return QStringLiteral("送信ﾊﾞｯﾌｧ ﾌﾙ ｴﾗｰが発生しました。");
    case SerialEvent::LineSettings: return QStringLiteral("DCB 取得時にｴﾗｰが発生しました。");
    default: return QStringLiteral("未定義のｴﾗｰまたはｲﾍﾞﾝﾄが発生しました。");
    }
}

} // namespace mg
