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
    return m_link.state() == TelnetLink::Connected;
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
    const int state = m_link.state();
    if (state == TelnetLink::Error)
        m_link.close();
    if (state == TelnetLink::Closed || state == TelnetLink::Error)
        m_link.connectToRouter(address);
}

QString TelnetRouterLink::localAddress() const
{
    const QHostAddress address = m_link.localAddress();
    return address.isNull() ? QString() : address.toString();
}

} // namespace mg
