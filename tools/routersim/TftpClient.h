#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <QUdpSocket>

#include <chrono>
#include <functional>

namespace mg::routersim {

// The router's side of "load file=": reads one file from the PC's TFTP
// server (read request, octet mode). The server answers from a port of its
// own, which fixes the transfer; packets from any other port get an error and
// change nothing. After the last block it stays a while to acknowledge a
// repeated last block, then deletes itself; a failed transfer deletes itself
// at once. finished() is only ever emitted from the event loop.
class TftpClient : public QObject {
    Q_OBJECT
public:
    static constexpr int BlockSize = 512;
    static constexpr int MaxTries = 5;
    static constexpr qsizetype MaxFileSize = 16 * 1024 * 1024; // the flash

    // What becomes of a DATA packet from the server: taken as it is, lost on
    // the way, or refused with "Disk full" (the load then fails).
    enum class DataFate { Taken, Lost, Refused };
    using DataFilter = std::function<DataFate()>;

    // strayAck: block 1 is first acknowledged from a second port of the
    // router's, which the server must answer with "Unknown transfer ID"
    // and otherwise ignore.
    TftpClient(QHostAddress local, QHostAddress server, quint16 serverPort, QByteArray fileName,
               std::chrono::milliseconds timeout, DataFilter filter, bool strayAck, QObject *parent = nullptr);

    void start();

signals:
    // ok with the file's bytes, or not ok with the router's "Error: ..." line.
    void finished(bool ok, const QByteArray &data, const QString &error);
    // The second port got ERROR 5 (unknown transfer ID) from the server.
    void unknownTransferIdHeard();

private:
    enum class Stage { Idle, Transferring, Lingering, Done };

    void readPending();
    void readStray();
    void sendStrayAck();
    void handle(const QByteArray &packet, const QHostAddress &from, quint16 fromPort);
    void acknowledge(quint16 block);
    void sendLast();
    void timedOut();
    void fail(const QString &error);
    void complete();

    QHostAddress m_local;
    QHostAddress m_server;
    quint16 m_serverPort;
    QByteArray m_fileName;
    DataFilter m_filter;
    QUdpSocket m_socket;
    QUdpSocket m_stray; // bound only for the stray acknowledgement
    bool m_strayAck = false;
    bool m_straySent = false;
    QTimer m_timer;
    Stage m_stage = Stage::Idle;
    quint16 m_transferPort = 0; // the server's port for this transfer; 0: not yet known
    quint16 m_expected = 1;
    quint16 m_lastBlock = 0;
    QByteArray m_last; // the packet a time-out sends again
    int m_tries = 0;
    QByteArray m_data;
};

} // namespace mg::routersim
