#include "RouterLinks.h"

#include "SerialLine.h"
#include "TelnetLink.h"

#include <QHostAddress>

namespace mg {

bool SerialRouterLink::send(const QString &text)
{
    return m_line.write(text);
}

bool SerialRouterLink::isUsable() const
{
    return m_line.isOpen();
}

void SerialRouterLink::close()
{
    m_line.close();
}

QString SerialRouterLink::errorString() const
{
    return m_line.errorString();
}

bool TelnetRouterLink::send(const QString &text)
{
    return m_link.send(text);
}

bool TelnetRouterLink::isUsable() const
{
    return m_link.state() == TelnetLink::State::Connected;
}

void TelnetRouterLink::close()
{
    m_link.close();
}

QString TelnetRouterLink::errorString() const
{
    return m_link.errorString();
}

void TelnetRouterLink::connectToRouter(const QString &address)
{
    // A connection left in error is reset first, as a closed one is reused.
    const TelnetLink::State state = m_link.state();
    if (state == TelnetLink::State::Error)
        m_link.close();
    if (state == TelnetLink::State::Closed || state == TelnetLink::State::Error)
        m_link.connectToRouter(address);
}

QString TelnetRouterLink::localAddress() const
{
    const QHostAddress address = m_link.localAddress();
    return address.isNull() ? QString() : address.toString();
}

} // namespace mg
