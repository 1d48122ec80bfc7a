#include "TelnetLink.h"

#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

using namespace mg;

namespace {
const QHostAddress RouterAddress(QStringLiteral("127.0.0.2"));
constexpr int Wait = 10000; // generous: only a failure ever waits this long
} // namespace

// The router's side is a plain server on 127.0.0.2; the link connects from
// this PC's 127.0.0.1.
class TestTelnetLink : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTcpServer> m_server;
    QPointer<QTcpSocket> m_peer;

    // Connects the link and waits until both ends see the connection.
    bool connectLink(TelnetLink &link)
    {
        QSignalSpy connected(&link, &TelnetLink::connected);
        link.connectToRouter(RouterAddress.toString());
        if (link.state() != TelnetLink::Connecting)
            return false;
        if (!connected.wait(Wait))
            return false;
        if (!m_server->hasPendingConnections() && !m_server->waitForNewConnection(Wait))
            return false;
        m_peer = m_server->nextPendingConnection();
        return m_peer && link.state() == TelnetLink::Connected;
    }

    // What the router has read, as soon as count bytes are there; the event
    // loop runs meanwhile so that the link can write.
    static QByteArray heard(QTcpSocket *peer, qsizetype count)
    {
        QByteArray got;
        QDeadlineTimer deadline(Wait);
        while (got.size() < count && !deadline.hasExpired()) {
            QTest::qWait(10);
            got += peer->readAll();
        }
        return got;
    }

    // Sends bytes as the router and waits until the link has shown them.
    QList<QVariantList> routerSays(TelnetLink &link, const QByteArray &bytes)
    {
        QSignalSpy received(&link, &TelnetLink::received);
        m_peer->write(bytes);
        received.wait(Wait);
        return QList<QVariantList>(received.begin(), received.end());
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

    void connectsAndSendsShiftJis()
    {
        TelnetLink link;
        QCOMPARE(link.remotePort(), quint16(23));
        link.setRemotePort(m_server->serverPort());
        QCOMPARE(link.state(), int(TelnetLink::Closed));
        QVERIFY(link.localAddress().isNull());
        QVERIFY(!link.send(QStringLiteral("show\r\n")) && !link.errorString().isEmpty());
        QVERIFY(connectLink(link));
        QCOMPARE(link.localAddress(), QHostAddress(QStringLiteral("127.0.0.1")));

        QVERIFY(link.send(u"設定\r\n"_qs));
        const QByteArray expected("\x90\xdd\x92\xe8\r\n");
        QCOMPARE(heard(m_peer, expected.size()), expected);

        QVERIFY(!link.send(u"é"_qs) && !link.errorString().isEmpty()); // not in the code page
        QCOMPARE(link.state(), int(TelnetLink::Connected));
    }

    // Each arrival reaches the window as text with the negotiation gone and
    // the error verdict of the parser.
    void receivesRouterOutput_data()
    {
        QTest::addColumn<QList<QByteArray>>("arrivals");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<bool>>("errors");
        QTest::newRow("login prompt after negotiation")
            << QList<QByteArray>{"\xff\xfb\x01\xff\xfb\x03\xff\xfd\x18" "login: "} << "login: " << QList<bool>{false};
        QTest::newRow("Error cut in two")
            << QList<QByteArray>{"% Err", "or: no file\r\n"} << "% Error: no file\r\n" << QList<bool>{false, true};
        QTest::newRow("Japanese cut mid-character")
            << QList<QByteArray>{"\x8d\xc4\x8b", "\x4e\x93\xae\r\n"} << u"再起動\r\n"_qs << QList<bool>{false, false};
    }

    void receivesRouterOutput()
    {
        QFETCH(QList<QByteArray>, arrivals);
        QFETCH(QString, text);
        QFETCH(QList<bool>, errors);
        TelnetLink link;
        link.setRemotePort(m_server->serverPort());
        QVERIFY(connectLink(link));
        QString shown;
        QList<bool> verdicts;
        for (const QByteArray &a : arrivals) {
            for (const QVariantList &signal : routerSays(link, a)) {
                shown += signal.at(0).toString();
                verdicts << signal.at(1).toBool();
            }
        }
        QCOMPARE(shown, text);
        QCOMPARE(verdicts, errors);
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
        QCOMPARE(link.state(), int(TelnetLink::Error)); // until close()

        // Recovery: close, then the router is there again.
        link.close();
        QCOMPARE(link.state(), int(TelnetLink::Closed));
        QVERIFY(m_server->listen(RouterAddress, closedPort));
        QVERIFY(connectLink(link));
    }

    // The router restarts after a load: it closes the connection, which is
    // not a failure; its last words are still shown.
    void peerCloseIsNotAFailure()
    {
        TelnetLink link;
        link.setRemotePort(m_server->serverPort());
        QVERIFY(connectLink(link));
        QSignalSpy closed(&link, &TelnetLink::closedByPeer);
        QSignalSpy failed(&link, &TelnetLink::failed);
        QSignalSpy received(&link, &TelnetLink::received);
        m_peer->write("restarting\r\n");
        m_peer->disconnectFromHost();
        QVERIFY(closed.wait(Wait));
        QCOMPARE(link.state(), int(TelnetLink::Closed));
        QCOMPARE(failed.size(), 0);
        QString shown;
        for (const QVariantList &signal : std::as_const(received))
            shown += signal.at(0).toString();
        QCOMPARE(shown, QStringLiteral("restarting\r\n"));
        QVERIFY(link.localAddress().isNull());
        QVERIFY(!link.send(QStringLiteral("x\r\n")));
    }

    // close() delivers what was sent, and a new connection does not inherit
    // a half-read negotiation of the old one.
    void closeAndConnectAnew()
    {
        TelnetLink link;
        link.setRemotePort(m_server->serverPort());
        QVERIFY(connectLink(link));
        QTcpSocket *first = m_peer;
        // A subnegotiation that the close cuts off, read by the link.
        QCOMPARE(routerSays(link, "x\xff\xfa\x18").value(0).value(0).toString(), QStringLiteral("x"));
        QVERIFY(link.send(QStringLiteral("quit\r\n")));
        QSignalSpy closed(&link, &TelnetLink::closedByPeer);
        link.close();
        QCOMPARE(link.state(), int(TelnetLink::Closed));
        QCOMPARE(heard(first, 6), QByteArray("quit\r\n"));
        QTRY_COMPARE_WITH_TIMEOUT(first->state(), QAbstractSocket::UnconnectedState, Wait);
        QCOMPARE(closed.size(), 0); // the program closed it, not the router

        QVERIFY(connectLink(link));
        QCOMPARE(routerSays(link, "login: ").value(0).value(0).toString(), QStringLiteral("login: "));
        delete first;
    }
};

QTEST_GUILESS_MAIN(TestTelnetLink)
#include "tst_TelnetLink.moc"
