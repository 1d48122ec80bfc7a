#pragma once

#include "RouterLink.h"

namespace mg {

class SerialLine;
class TelnetLink;

// The serial console as the dialogue's line.
class SerialRouterLink : public RouterLink {
public:
    explicit SerialRouterLink(SerialLine &line) : m_line(line) {}
    bool send(const QString &text) override;
    bool isUsable() const override;
    void close() override;
    QString errorString() const override;

private:
    SerialLine &m_line;
};

// The Telnet connection as the dialogue's line. Only a connected socket is
// usable: one that is closed, connecting, closing or in error is not.
class TelnetRouterLink : public RouterLink {
public:
    explicit TelnetRouterLink(TelnetLink &link) : m_link(link) {}
    bool send(const QString &text) override;
    bool isUsable() const override;
    void close() override;
    QString errorString() const override;
    void connectToRouter(const QString &address) override;
    QString localAddress() const override;

private:
    TelnetLink &m_link;
};

} // namespace mg
