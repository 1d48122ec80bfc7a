#pragma once

// A line to the router that records what the dialogue sent, for tests that
// play the router's side by hand.

#include "RouterLink.h"

#include <QStringList>

namespace mgtest {

class FakeRouterLink : public mg::RouterLink {
public:
    QStringList sent;
    QStringList connects;     // addresses connected to
    int closes = 0;
    bool usable = true;
    bool connected = false;   // Telnet: set by connectToRouter, cleared by close
    bool sendFails = false;
    QString address = QStringLiteral("127.0.0.1");

    bool send(const QString &text) override
    {
        if (sendFails)
            return false;
        sent << text;
        return true;
    }
    bool isUsable() const override { return usable; }
    void close() override
    {
        ++closes;
        connected = false;
    }
    QString errorString() const override { return QStringLiteral("write failed"); }
    void connectToRouter(const QString &host) override
    {
        if (connected)
            return;
        connects << host;
        connected = true;
    }
    QString localAddress() const override { return address; }

    QStringList takeSent()
    {
        QStringList all = sent;
        sent.clear();
        return all;
    }
};

} // namespace mgtest
