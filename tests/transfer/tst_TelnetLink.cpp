#include "TelnetLink.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <map>
#include <memory>

using namespace mg;

namespace {
const QHostAddress RouterAddress(QStringLiteral("127.0.0.2"));
constexpr int Wait = 10000; // generous: only a failure ever waits this long
} // namespace

// The router's side is a plain server on 127.0.0.2; the link connects from
// this PC's 127.0.0.1. How the router's bytes become text is the parser's
// test; here, that the link carries them and what it does with the
// connection.
class TestTelnetLink : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTcpServer> m_server;
    QPointer<QTcpSocket> m_peer;

    // Connects the link and waits until both ends see the connection.
    bool connectLink(TelnetLink &link)
    {
        QSignalSpy connected(&link, &TelnetLink::connected);
        link.setRemotePort(m_server->serverPort());
        link.connectToRouter(RouterAddress.toString());
        if (link.state() != TelnetLink::State::Connecting || !connected.wait(Wait))
            return false;
        if (!m_server->hasPendingConnections() && !m_server->waitForNewConnection(Wait))
            return false;
        m_peer = m_server->nextPendingConnection();
        return m_peer && link.state() == TelnetLink::State::Connected;
    }

    // What the router has read, as soon as count bytes are there; the event
    // loop runs meanwhile so that the link can write.
    static QByteArray heard(QTcpSocket *peer, qsizetype count)
    {
        QByteArray got;
        (void)QTest::qWaitFor([&] { return (got += peer->readAll()).size() >= count; }, Wait); // short: the caller's comparison shows it
        return got;
    }

    // Sends bytes as the router and answers what the link showed of them:
    // the text, with "!" after each arrival the link reported an Error in.
    QString routerSays(TelnetLink &link, const QByteArray &bytes)
    {
        QSignalSpy received(&link, &TelnetLink::received);
        m_peer->write(bytes);
        received.wait(Wait);
        QString shown;
        for (const QVariantList &signal : std::as_const(received))
            shown += signal.at(0).toString() + (signal.at(1).toBool() ? QStringLiteral("!") : QString());
        return shown;
    }

private slots:
    void init()
    {
        m_server = std::make_unique<QTcpServer>();
        QVERIFY(m_server->listen(RouterAddress, 0));
    }
    void cleanup()
    {
        delete m_peer;
        m_server.reset();
    }

    // Shift_JIS both ways; what the router prints loses its negotiation, and
    // a character or an "Error" cut between arrivals is whole.
    void talksShiftJis()
    {
        TelnetLink link;
        QVERIFY(link.localAddress().isNull());
        QVERIFY(!link.send(QStringLiteral("show\r\n")) && !link.errorString().isEmpty());
        QVERIFY(connectLink(link));
        QCOMPARE(link.localAddress(), QHostAddress(QStringLiteral("127.0.0.1")));

        QVERIFY(link.send(u"設定\r\n"_qs));
        QCOMPARE(heard(m_peer, 6), QByteArray("\x90\xdd\x92\xe8\r\n"));
        QVERIFY(!link.send(u"é"_qs) && !link.errorString().isEmpty()); // not in the code page
        QCOMPARE(link.state(), TelnetLink::State::Connected);

        QCOMPARE(routerSays(link, "\xff\xfb\x01\xff\xfd\x18" "% Err"), QStringLiteral("% Err"));
        QCOMPARE(routerSays(link, "or \x8d\xc4\x8b"), u"or 再!"_qs);
        QCOMPARE(routerSays(link, "\x4e\x93\xae\r\n"), u"起動\r\n"_qs);
    }

    void refusedConnectionFails()
    {
        const quint16 closedPort = m_server->serverPort();
        m_server->close(); // nothing listens there any more
        TelnetLink link;
        link.setRemotePort(closedPort);
        QSignalSpy failed(&link, &TelnetLink::failed);
        QSignalSpy connected(&link, &TelnetLink::connected);
        link.connectToRouter(RouterAddress.toString());
        QVERIFY(failed.wait(Wait));
        QVERIFY(!failed.at(0).at(0).toString().isEmpty());
        QCOMPARE(connected.size(), 0);
        QVERIFY(!link.send(QStringLiteral("x\r\n")));
        QCOMPARE(link.state(), TelnetLink::State::Error); // until close()

        // Recovery: close, then the router is there again.
        link.close();
        QCOMPARE(link.state(), TelnetLink::State::Closed);
        QVERIFY(m_server->listen(RouterAddress, closedPort));
        QVERIFY(connectLink(link));
    }

    // The router restarts after a load: it closes the connection, which is
    // not a failure; its last words are still shown.
    void peerCloseIsNotAFailure()
    {
        TelnetLink link;
        QVERIFY(connectLink(link));
        QSignalSpy closed(&link, &TelnetLink::closedByPeer);
        QSignalSpy failed(&link, &TelnetLink::failed);
        QSignalSpy received(&link, &TelnetLink::received);
        m_peer->write("restarting\r\n");
        m_peer->disconnectFromHost();
        QVERIFY(closed.wait(Wait));
        QCOMPARE(link.state(), TelnetLink::State::Closed);
        QCOMPARE(failed.size(), 0);
        QCOMPARE(received.size(), 1);
        QCOMPARE(received.at(0).at(0).toString(), QStringLiteral("restarting\r\n"));
        QVERIFY(link.localAddress().isNull());
        QVERIFY(!link.send(QStringLiteral("x\r\n")));
    }

    // close() delivers what was sent, and a new connection does not inherit
    // a half-read negotiation of the old one.
    void closeAndConnectAnew()
    {
        TelnetLink link;
        QVERIFY(connectLink(link));
        QTcpSocket *first = m_peer;
        // A subnegotiation that the close cuts off, read by the link.
        QCOMPARE(routerSays(link, "x\xff\xfa\x18"), QStringLiteral("x"));
        QVERIFY(link.send(QStringLiteral("quit\r\n")));
        QSignalSpy closed(&link, &TelnetLink::closedByPeer);
        link.close();
        QCOMPARE(link.state(), TelnetLink::State::Closed);
        QCOMPARE(heard(first, 6), QByteArray("quit\r\n"));
        QTRY_COMPARE_WITH_TIMEOUT(first->state(), QAbstractSocket::UnconnectedState, Wait);
        QCOMPARE(closed.size(), 0); // the program closed it, not the router

        QVERIFY(connectLink(link));
        QCOMPARE(routerSays(link, "login: "), QStringLiteral("login: "));
        delete first;
    }

    // The router's address is read as the operator wrote it, each part
    // decimal; what is not four numbers reaches nobody, even where the
    // resolver's shorthand would name a router that listens.
    void addressAsWritten_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("reached"); // which listener; empty: none, the link fails
        QTest::newRow("leading zeros") << "127.000.000.002" << "127.0.0.2";
        QTest::newRow("010 is ten, not eight") << "127.0.0.010" << "127.0.0.10";
        for (const char *shorthand : {"127.2", "127.0.2", "2130706434", "0x7f.0.0.2", "127.0.0.2.0", "127.0.0.2 "})
            QTest::addRow("refused: \"%s\"", shorthand) << shorthand << "";
    }

    void addressAsWritten()
    {
        QFETCH(QString, address);
        QFETCH(QString, reached);
        // Listeners where a reading in octal would lead, and where decimal does.
        const quint16 port = m_server->serverPort();
        std::map<QString, std::unique_ptr<QTcpServer>> listeners;
        for (const char *other : {"127.0.0.8", "127.0.0.10"}) {
            auto server = std::make_unique<QTcpServer>();
            QVERIFY(server->listen(QHostAddress(QString::fromLatin1(other)), port));
            listeners[QString::fromLatin1(other)] = std::move(server);
        }
        TelnetLink link;
        link.setRemotePort(port);
        QSignalSpy connected(&link, &TelnetLink::connected);
        QSignalSpy failed(&link, &TelnetLink::failed);
        link.connectToRouter(address);
        QVERIFY(QTest::qWaitFor([&] { return !connected.isEmpty() || !failed.isEmpty(); }, Wait));
        QCOMPARE(connected.size(), reached.isEmpty() ? 0 : 1);
        QCOMPARE(link.state(), reached.isEmpty() ? TelnetLink::State::Error : TelnetLink::State::Connected);
        // Asked of the kernel at once: a connection is in some listener's
        // queue once the link saw it made.
        const auto heard = [](QTcpServer &server) {
            return server.hasPendingConnections() || server.waitForNewConnection(0);
        };
        QStringList heardFrom;
        if (heard(*m_server))
            heardFrom << QStringLiteral("127.0.0.2");
        for (const auto &[name, server] : listeners) {
            if (heard(*server))
                heardFrom << name;
        }
        QCOMPARE(heardFrom, reached.isEmpty() ? QStringList() : QStringList{reached});
    }
};

QTEST_GUILESS_MAIN(TestTelnetLink)
#include "tst_TelnetLink.moc"
