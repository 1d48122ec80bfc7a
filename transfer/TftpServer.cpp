#include "TftpServer.h"

#include "BindHelper.h"
#include "ShiftJis.h"

#include <QFile>
#include <QFileInfo>

namespace mg {

namespace {

const QString RefusalSent = QStringLiteral("\nルータには「File is not found」を返しました。");

QString hostText(const QHostAddress &address)
{
    return address.isNull() || address == QHostAddress::Any || address == QHostAddress::AnyIPv6
        ? QStringLiteral("すべてのアドレス")
        : address.toString();
}

} // namespace

QString tftpListenErrorText(const QHostAddress &address, quint16 port, bool permissionDenied,
                            const QString &reason, const QString &helperPath)
{
    if (permissionDenied && port == TftpServer::DefaultPort) {
        return QStringLiteral("UDP ポート 69 を開く権限がありません。\n"
                              "このポートは補助プログラム %1 が開きます。%2\n"
                              "補助プログラムに権限 cap_net_bind_service が必要です。次のコマンドで与えてください:\n"
                              "  sudo setcap cap_net_bind_service=+ep %1\n"
                              "(プログラムのパッケージからインストールすると、この権限はインストールで与えられます。)")
            .arg(helperPath, reason);
    }
    if (permissionDenied) {
        return QStringLiteral("UDP ポート %1 を開く権限がありません。\n"
                              "権限の要るポートのうち、このプログラムが開けるのは TFTP のポート 69 だけです。"
                              "69 か、権限の要らないポート (ふつうは 1024 以上) を指定してください。")
            .arg(port);
    }
    return QStringLiteral("UDP ポート %1 (%2) を開けません: %3").arg(port).arg(hostText(address), reason);
}

TftpServer::TftpServer(TickerFactory &tickers, QObject *parent)
    : QObject(parent),
      m_retransmit(tickers.create(RetransmitTicker, TftpTransfer::FirstTimeout, [this] { onRetransmitTick(); }))
{
    connect(&m_listener, &UdpEndpoint::datagramReceived, this, &TftpServer::onRequest);
    connect(&m_data, &UdpEndpoint::datagramReceived, this, &TftpServer::onDataSocket);
}

TftpServer::~TftpServer()
{
    m_retransmit->stop();
}

void TftpServer::setRouterAddress(const QHostAddress &router)
{
    m_router = router;
}

void TftpServer::setFilePath(const QString &path)
{
    m_path = path;
}

void TftpServer::setBindHelper(const QString &path)
{
    m_bindHelper = path;
}

bool TftpServer::listen(const QHostAddress &local, quint16 port)
{
    close();
    m_error.clear();
    const QString inUse = QStringLiteral("ほかのプログラムがこのポートを使っています。");
    if (m_listener.bind(local, port))
        return true;
    if (!m_listener.permissionDenied() || port != DefaultPort) {
        const QString reason = m_listener.error() == QAbstractSocket::AddressInUseError ? inUse : m_listener.errorString();
        m_error = tftpListenErrorText(local, port, m_listener.permissionDenied(), reason, QString());
        return false;
    }

    // The program holds no privilege of its own: port 69 alone comes from
    // the helper, which may bind nothing else.
    QString helper = m_bindHelper.isEmpty() ? BindHelper::locate() : m_bindHelper;
    BindHelperResult bound = BindHelper::bindPort69(helper, local);
    if (bound.status == BindHelperResult::Status::Bound) {
        if (m_listener.adopt(bound.descriptor))
            return true;
        bound.status = BindHelperResult::Status::Failed;
        bound.reason = QStringLiteral("補助プログラムから受け取ったソケットを使えません: %1").arg(m_listener.errorString());
    }
    switch (bound.status) {
    case BindHelperResult::Status::InUse:
        m_error = tftpListenErrorText(local, port, false, inUse, QString());
        break;
    case BindHelperResult::Status::NotLocal:
        m_error = tftpListenErrorText(local, port, false, bound.reason, QString());
        break;
    default:
        if (helper.isEmpty())
            helper = BindHelper::ProgramName;
        m_error = tftpListenErrorText(local, port, true, bound.reason, helper);
        break;
    }
    return false;
}

void TftpServer::close()
{
    endTransfer();
    m_listener.close();
    m_transfer = TftpTransfer();
}

bool TftpServer::isListening() const
{
    return m_listener.isBound();
}

quint16 TftpServer::serverPort() const
{
    return m_listener.localPort();
}

QString TftpServer::errorString() const
{
    return m_error;
}

void TftpServer::onRequest(const QByteArray &datagram, const QHostAddress &from, quint16 port)
{
    if (!Tftp::servesRequest(datagram, from, m_router)) {
        if (!m_router.isNull() && from.isEqual(m_router, QHostAddress::ConvertV4MappedToIPv4))
            apply(m_transfer.receiveOnServerPort(datagram, port));
        return;
    }

    // A repeated request (the client lost our first block, or the operator
    // typed "load" again) starts over from block 1 on a fresh data socket.
    endTransfer();
    m_transfer = TftpTransfer();
    emit requestReceived(ShiftJis::decode(Tftp::requestedName(datagram)));
    if (!m_listener.isBound())   // closed from the signal
        return;

    const QHostAddress local = m_listener.localAddress();
    // The data socket takes the client's port number where it can; when that
    // port is taken on this PC, any port serves, since the client answers
    // whichever port the first block came from.
    if (!m_data.bind(local, port) && !m_data.bind(local, 0)) {
        emit failed(QStringLiteral("データを送る UDP ポートを開けません: %1").arg(m_data.errorString()));
        return;
    }

    m_readProblem.clear();
    QByteArray content;
    const QFileInfo info(m_path);
    if (!m_path.isEmpty() && info.exists()) {
        QFile file(m_path);
        if (!info.isFile()) {
            m_readProblem = QStringLiteral("通常のファイルではありません");
        } else if (!file.open(QIODevice::ReadOnly)) {
            m_readProblem = file.errorString();
        } else {
            // One byte past the largest file is enough to refuse it.
            content = file.read(Tftp::MaxFileSize + 1);
            if (file.error() != QFileDevice::NoError) {
                m_readProblem = file.errorString();
                content.clear();
            }
        }
    }
    apply(m_transfer.start(content, port));
    if (m_transfer.state() == TftpTransfer::State::Sending)
        emit progress(0, m_transfer.blocksTotal());
}

void TftpServer::onDataSocket(const QByteArray &datagram, const QHostAddress &from, quint16 port)
{
    if (!from.isEqual(m_router, QHostAddress::ConvertV4MappedToIPv4))
        return;
    apply(m_transfer.receive(datagram, port));
}

void TftpServer::onRetransmitTick()
{
    apply(m_transfer.timeout());
}

void TftpServer::apply(const TftpStep &step)
{
    // A send that fails is as good as a datagram lost on the line: the
    // retransmission covers it.
    if (!step.send.isEmpty())
        m_data.send(step.send, m_router, m_transfer.clientPort());
    if (!step.reply.isEmpty())
        m_data.send(step.reply, m_router, step.replyPort);

    // The ticker is settled before any signal: a receiver may close the
    // server, which must then stay quiet.
    if (m_transfer.state() == TftpTransfer::State::Sending) {
        if (!step.send.isEmpty()) {
            m_retransmit->setInterval(m_transfer.retransmitInterval());
            m_retransmit->start();
        }
    } else {
        endTransfer();
    }

    switch (step.event) {
    case TftpEvent::None:
        break;
    case TftpEvent::Progress:
        emit progress(m_transfer.blocksAcknowledged(), m_transfer.blocksTotal());
        break;
    case TftpEvent::Finished:
        emit progress(m_transfer.blocksAcknowledged(), m_transfer.blocksTotal());
        emit finished();
        break;
    case TftpEvent::EmptyFile:
    case TftpEvent::FileTooBig:
    case TftpEvent::GaveUp:
    case TftpEvent::PeerError:
        emit failed(failureText(step.event));
        break;
    }
}

void TftpServer::endTransfer()
{
    m_retransmit->stop();
    m_data.close();
}

QString TftpServer::failureText(TftpEvent event) const
{
    switch (event) {
    case TftpEvent::EmptyFile:
        if (!m_readProblem.isEmpty())
            return QStringLiteral("送信するファイル %1 を読み込めません: %2").arg(m_path, m_readProblem) + RefusalSent;
        if (m_path.isEmpty() || !QFileInfo::exists(m_path))
            return QStringLiteral("送信するファイル %1 がありません。").arg(m_path) + RefusalSent;
        return QStringLiteral("送信するファイル %1 が空です。").arg(m_path) + RefusalSent;
    case TftpEvent::FileTooBig:
        return QStringLiteral("送信するファイル %1 が大きすぎます (%2 バイト)。送れるのは %3 バイトまでです。")
                   .arg(m_path)
                   .arg(QFileInfo(m_path).size())
                   .arg(Tftp::MaxFileSize)
            + RefusalSent;
    case TftpEvent::GaveUp:
        return QStringLiteral("ルータ %1 から応答がありません。ブロック %2 を %3 回送り直しましたが、"
                              "受け取りの確認が届かないため送信を中止しました。")
            .arg(m_router.toString())
            .arg(m_transfer.currentBlock())
            .arg(TftpTransfer::MaxRetransmissions);
    case TftpEvent::PeerError: {
        // The router's own words go on a line of their own: a message box
        // guesses rich text from its first line, which stays ours.
        const Tftp::ErrorReport &error = m_transfer.peerError();
        QString text = QStringLiteral("ルータが TFTP の転送を中止しました (エラー %1)。").arg(error.code);
        if (!error.text.isEmpty())
            text += QStringLiteral("\nルータからのメッセージ: %1").arg(error.text);
        return text;
    }
    default:
        return {};
    }
}

} // namespace mg
