#pragma once

#include "TftpProtocol.h"
#include "Ticker.h"
#include "UdpEndpoint.h"

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <memory>

namespace mg {

// The file server the router downloads the command script from when it is
// told "load file=". It serves one file, whatever name is asked, and only to
// the router: the file carries the manager account.
class TftpServer : public QObject {
    Q_OBJECT
public:
    static constexpr quint16 DefaultPort = 69;
    // The retransmission ticker's name, for tests that fire it by hand.
    static constexpr const char *RetransmitTicker = "TftpRetransmit";

    explicit TftpServer(TickerFactory &tickers, QObject *parent = nullptr);
    ~TftpServer() override;

    // Only its requests are served; DATA goes there.
    void setRouterAddress(const QHostAddress &router);
    // Read when a request arrives, so the latest script is what goes out.
    void setFilePath(const QString &path);
    // The helper that opens port 69 when this program may not bind it; by
    // default the one in the program folder (BindHelper::locate()).
    void setBindHelper(const QString &path);
    // Binds the port itself where it may (root, or a machine that lets
    // every user open it); port 69 otherwise through the helper, any other
    // port never. False with errorString() telling the operator what to do
    // (for port 69: how to grant the helper the right to bind it).
    bool listen(const QHostAddress &local, quint16 port = DefaultPort);
    void close();
    bool isListening() const;
    quint16 serverPort() const;
    QString errorString() const;

signals:
    void requestReceived(const QString &requestedName);
    void progress(int blocksAcknowledged, int blocksTotal);
    void finished();                           // the final block was acknowledged
    void failed(const QString &message);       // refused (empty/missing/too big), no data port, retransmissions exhausted, the router's ERROR

private:
    void onRequest(const QByteArray &datagram, const QHostAddress &from, quint16 port);
    void onDataSocket(const QByteArray &datagram, const QHostAddress &from, quint16 port);
    void onRetransmitTick();
    void apply(const TftpStep &step);
    void endTransfer();
    QString failureText(TftpEvent event) const;

    std::unique_ptr<Ticker> m_retransmit;
    UdpEndpoint m_listener;
    UdpEndpoint m_data;
    QHostAddress m_router;
    QString m_path;
    QString m_bindHelper;
    QString m_error;
    QString m_readProblem;      // why the file could not be read, for the refusal's message
    TftpTransfer m_transfer;
};

// The operator's text for a listening port that cannot be bound. Refused
// port 69 gets the remedy (the helper at helperPath needs
// cap_net_bind_service, reason says how the helper failed); another
// refused privileged port is out of the program's reach.
QString tftpListenErrorText(const QHostAddress &address, quint16 port, bool permissionDenied,
                            const QString &reason, const QString &helperPath);

} // namespace mg
