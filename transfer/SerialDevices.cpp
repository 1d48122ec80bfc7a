#include "SerialDevices.h"

#include "SettingsStore.h"

namespace mg {

namespace {

QString defaultDevice(int port)
{
    switch (port) {
    case 1: return QStringLiteral("/dev/ttyUSB0");
    case 2: return QStringLiteral("/dev/ttyUSB1");
    case 3: return QStringLiteral("/dev/ttyS0");
    case 4: return QStringLiteral("/dev/ttyS1");
    default: return QString();
    }
}

} // namespace

SerialDevices::SerialDevices(SettingsStore &settings) : m_settings(&settings) {}

SerialDevices SerialDevices::only(const QString &device)
{
    SerialDevices devices;
    devices.m_only = device;
    return devices;
}

QString SerialDevices::comName(int port) { return QStringLiteral("Com%1").arg(port); }

QString SerialDevices::pathFor(int port) const
{
    if (!m_settings)
        return port == 1 ? m_only : QString();
    const QString fallback = defaultDevice(port);
    if (fallback.isEmpty())
        return QString();
    const QString path = m_settings->GetSetting(QString::fromLatin1(Section), comName(port), fallback).trimmed();
    return path.isEmpty() ? fallback : path;
}

} // namespace mg
