#include "SerialLine.h"

#include "SerialEvents.h"

#include <QFile>

#include <cerrno>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#if defined(Q_OS_LINUX)
// The kernel's own termios: the line as the driver really set it, exact
// speeds included. It cannot share a file with <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>
#endif

namespace mg {

namespace {

QSerialPort::Parity parityOf(SerialSettings::Parity parity)
{
    switch (parity) {
    case SerialSettings::Parity::Even: return QSerialPort::EvenParity;
    case SerialSettings::Parity::Odd: return QSerialPort::OddParity;
    case SerialSettings::Parity::Mark: return QSerialPort::MarkParity;
    case SerialSettings::Parity::Space: return QSerialPort::SpaceParity;
    case SerialSettings::Parity::None: break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits stopBitsOf(SerialSettings::StopBits stopBits)
{
    switch (stopBits) {
    case SerialSettings::StopBits::Two: return QSerialPort::TwoStop;
    case SerialSettings::StopBits::OneAndHalf: return QSerialPort::OneAndHalfStop;
    case SerialSettings::StopBits::One: break;
    }
    return QSerialPort::OneStop;
}

QSerialPort::FlowControl flowControlOf(SerialSettings::Flow flow)
{
    // Xon/Xoff over RTS/CTS starts as RTS/CTS; the line adds Xon/Xoff.
    switch (flow) {
    case SerialSettings::Flow::None: return QSerialPort::NoFlowControl;
    case SerialSettings::Flow::XonXoff: return QSerialPort::SoftwareControl;
    case SerialSettings::Flow::Rts:
    case SerialSettings::Flow::XonRts: break;
    }
    return QSerialPort::HardwareControl;
}

// A pseudo-terminal carries bytes, not bits on a wire: the kernel keeps it at
// 8 data bits without parity whatever is asked, and it has no modem lines.
// Only the framing checks are waived for it; a real port is held to all.
bool isPseudoTerminal(int fd)
{
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    const unsigned int m = major(st.st_rdev);
    constexpr unsigned int Unix98SlaveFirst = 136, Unix98SlaveLast = 143, LegacySlave = 3;
    return (m >= Unix98SlaveFirst && m <= Unix98SlaveLast) || m == LegacySlave;
}

#if defined(Q_OS_LINUX)
bool readTermios(int fd, termios2 &t) { return ::ioctl(fd, TCGETS2, &t) == 0; }
#endif

} // namespace

SerialLine::SerialLine(SerialDevices devices, QObject *parent) : QObject(parent), m_devices(std::move(devices))
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialLine::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialLine::onPortError);
}

SerialLine::SerialLine(const QString &device, QObject *parent) : SerialLine(SerialDevices::only(device), parent) {}

SerialLine::~SerialLine()
{
    m_port.close();
}

QString SerialLine::devicePathFor(int port) const { return m_devices.pathFor(port); }

int SerialLine::portNumber() const { return m_portNumber; }

bool SerialLine::setPortNumber(int port)
{
    if (port < 1 || port > 4)
        return fail(QStringLiteral("ポート番号 %1 は使用できません。1 から 4 を指定してください。").arg(port));
    if (port == m_portNumber)
        return true;
    if (!isOpen()) {
        m_portNumber = port;
        return true;
    }
    close();
    if (openDevice(port)) {
        m_portNumber = port;
        return true;
    }
    // Back to the line that worked; the failure of the new one is what the
    // operator has to read.
    const QString why = m_error;
    const bool denied = m_permissionDenied;
    const SerialOpenFault fault = m_openFault;
    const QString device = m_failedDevice;
    openDevice(m_portNumber);
    m_error = why;
    m_permissionDenied = denied;
    m_openFault = fault;
    m_failedDevice = device;
    return false;
}

SerialSettings SerialLine::settings() const { return m_settings; }

bool SerialLine::setSettings(const SerialSettings &wanted)
{
    if (const QString problem = wanted.problem(); !problem.isEmpty())
        return fail(problem);
    if (wanted.dataBits == 4)
        return fail(QStringLiteral("データ ビット 4 は、このシステムのシリアル ポートでは使用できません。"));
#if defined(Q_OS_UNIX)
    // The terminal interface knows one or two stop bits only: a port asked
    // for 1.5 would quietly send one.
    if (wanted.stopBits == SerialSettings::StopBits::OneAndHalf)
        return fail(QStringLiteral("ストップ ビット 1.5 は、このシステムのシリアル ポートでは使用できません。"));
#endif
    if (isOpen() && !applySettings(wanted)) {
        const QString why = m_error;
        applySettings(m_settings);
        m_error = why;
        return false;
    }
    m_settings = wanted;
    return true;
}

bool SerialLine::open()
{
    if (isOpen())
        return true;
    return openDevice(m_portNumber);
}

void SerialLine::close()
{
    m_port.close();
    m_decoder.reset();
    m_failurePending = m_closePending = false;
}

bool SerialLine::isOpen() const { return m_port.isOpen() && !m_closePending; }

bool SerialLine::write(const QString &text)
{
    if (!isOpen())
        return fail(QStringLiteral("シリアル ポートが開いていません。"));
    const std::optional<QByteArray> bytes = ShiftJis::encode(text);
    if (!bytes)
        return fail(QStringLiteral("Shift_JIS で表せない文字が含まれているため、送信できません。"));
    if (m_port.write(*bytes) != bytes->size())
        return fail(m_port.errorString());
    return true;
}

QString SerialLine::errorString() const { return m_error; }

bool SerialLine::permissionDenied() const { return m_permissionDenied; }

SerialOpenFault SerialLine::openFault() const { return m_openFault; }

QString SerialLine::failedDevice() const { return m_failedDevice; }

QString SerialLine::openRemedy() const
{
    return serialOpenRemedy(m_openFault, DeviceAccess::of(m_failedDevice));
}

bool SerialLine::fail(const QString &description)
{
    m_error = description;
    return false;
}

void SerialLine::cacheSettings()
{
    // On a closed port these only record the values; open() applies them
    // and fails when the device refuses one.
    const SerialSettings &s = m_settings;
    m_port.setBaudRate(s.speed);
    m_port.setParity(parityOf(s.parity));
    m_port.setDataBits(QSerialPort::DataBits(s.dataBits));
    m_port.setStopBits(stopBitsOf(s.stopBits));
    m_port.setFlowControl(flowControlOf(s.flow));
}

bool SerialLine::openDevice(int port)
{
    m_permissionDenied = false;
    m_openFault = SerialOpenFault::None;
    m_failedDevice.clear();
    m_failurePending = m_closePending = false;
    const QString path = devicePathFor(port);
    m_port.setPortName(path);
    cacheSettings();
    if (!m_port.open(QIODevice::ReadWrite)) {
        // The port reports a busy or locked device as a permission error
        // too; only the file's own permissions call for joining a group.
        const QByteArray file = QFile::encodeName(path);
        const QSerialPort::SerialPortError error = m_port.error();
        m_permissionDenied = error == QSerialPort::PermissionError
                             && ::access(file.constData(), R_OK | W_OK) != 0 && errno == EACCES;
        struct stat st;
        const bool exists = ::stat(file.constData(), &st) == 0;
        m_openFault = !exists || error == QSerialPort::DeviceNotFoundError ? SerialOpenFault::Missing
                      : m_permissionDenied                                  ? SerialOpenFault::Permission
                      : error == QSerialPort::PermissionError || error == QSerialPort::OpenError
                          ? SerialOpenFault::Busy
                          : SerialOpenFault::Other;
        m_failedDevice = path;
        return fail(m_port.errorString());
    }
    m_decoder.reset();
    if (!applyHandshaking(m_settings.flow)) {
        m_port.close();
        m_openFault = SerialOpenFault::Other;
        m_failedDevice = path;
        return false;
    }
    const QString problem = checkLine(m_settings);
    if (!problem.isEmpty()) {
        m_port.close();
        m_openFault = SerialOpenFault::Other;
        m_failedDevice = path;
        return fail(problem);
    }
    return true;
}

bool SerialLine::applySettings(const SerialSettings &s)
{
    return applyFraming(s) && applyHandshaking(s.flow);
}

bool SerialLine::applyFraming(const SerialSettings &s)
{
    if (!m_port.setBaudRate(s.speed))
        return fail(QStringLiteral("通信速度 %1 を設定できません: %2").arg(s.speed).arg(m_port.errorString()));
    // The port reads the framing back and refuses what a pseudo-terminal
    // does not keep; there it means nothing, so only a real port fails.
    const bool framed = !isPseudoTerminal(m_port.handle());
    if (!m_port.setParity(parityOf(s.parity)) && framed)
        return fail(QStringLiteral("%1 を設定できません: %2").arg(s.parityDescription(), m_port.errorString()));
    if (!m_port.setDataBits(QSerialPort::DataBits(s.dataBits)) && framed)
        return fail(QStringLiteral("データ ビット %1 を設定できません: %2").arg(s.dataBits).arg(m_port.errorString()));
    if (!m_port.setStopBits(stopBitsOf(s.stopBits)))
        return fail(QStringLiteral("ストップ ビット %1 を設定できません: %2").arg(s.stopBitsText(), m_port.errorString()));
    const QString problem = checkLine(s);
    return problem.isEmpty() || fail(problem);
}

bool SerialLine::applyHandshaking(SerialSettings::Flow flow)
{
    if (!m_port.setFlowControl(flowControlOf(flow)))
        return fail(QStringLiteral("フロー制御を設定できません: %1").arg(m_port.errorString()));
#if defined(Q_OS_LINUX)
    // The port offers one flow control at a time; Xon/Xoff over RTS/CTS is
    // set on the line directly.
    termios2 t;
    if (!readTermios(m_port.handle(), t))
        return fail(QStringLiteral("フロー制御を設定できません: %1").arg(qt_error_string(errno)));
    const tcflag_t software = IXON | IXOFF;
    const bool xonXoff = flow == SerialSettings::Flow::XonXoff || flow == SerialSettings::Flow::XonRts;
    const tcflag_t wanted = xonXoff ? software : 0;
    if ((t.c_iflag & software) != wanted) {
        t.c_iflag = (t.c_iflag & ~software) | wanted;
        if (::ioctl(m_port.handle(), TCSETS2, &t) != 0)
            return fail(QStringLiteral("フロー制御を設定できません: %1").arg(qt_error_string(errno)));
    }
    if (!readTermios(m_port.handle(), t))
        return fail(QStringLiteral("フロー制御を設定できません: %1").arg(qt_error_string(errno)));
    const bool rtsCts = (t.c_cflag & CRTSCTS) != 0;
    const bool wantsRtsCts = flow == SerialSettings::Flow::Rts || flow == SerialSettings::Flow::XonRts;
    if (rtsCts != wantsRtsCts || (t.c_iflag & software) != wanted)
        return fail(QStringLiteral("デバイス %1 はこのフロー制御に対応していません。").arg(m_port.portName()));
#endif
    return true;
}

// The line as the driver really set it: a driver that cannot do a setting
// may drop it without an error, and the router would then read garbage.
QString SerialLine::checkLine(const SerialSettings &s) const
{
#if defined(Q_OS_LINUX)
    const int fd = m_port.handle();
    termios2 t;
    if (!readTermios(fd, t))
        return QStringLiteral("通信設定を確認できません: %1").arg(qt_error_string(errno));
    // A UART tolerates about 2% between the two ends; a driver that rounds
    // further, or falls back to another speed, has refused this one.
    const qint64 actual = t.c_ospeed;
    if (qAbs(actual - s.speed) * 50 > s.speed)
        return QStringLiteral("デバイス %1 は通信速度 %2 に対応していません。").arg(m_port.portName()).arg(s.speed);
    if (((t.c_cflag & CSTOPB) != 0) != (s.stopBits == SerialSettings::StopBits::Two))
        return QStringLiteral("デバイス %1 はストップ ビット %2 に対応していません。").arg(m_port.portName(), s.stopBitsText());
    if (isPseudoTerminal(fd))
        return QString();
    const tcflag_t size = s.dataBits == 5 ? CS5 : s.dataBits == 6 ? CS6 : s.dataBits == 7 ? CS7 : CS8;
    if ((t.c_cflag & CSIZE) != size)
        return QStringLiteral("デバイス %1 はデータ ビット %2 に対応していません。").arg(m_port.portName()).arg(s.dataBits);
    tcflag_t parity = 0;
    switch (s.parity) {
    case SerialSettings::Parity::Even: parity = PARENB; break;
    case SerialSettings::Parity::Odd: parity = PARENB | PARODD; break;
    case SerialSettings::Parity::Mark: parity = PARENB | PARODD | CMSPAR; break;
    case SerialSettings::Parity::Space: parity = PARENB | CMSPAR; break;
    case SerialSettings::Parity::None: break;
    }
    if ((t.c_cflag & (PARENB | PARODD | CMSPAR)) != parity)
        return QStringLiteral("デバイス %1 は%2に対応していません。").arg(m_port.portName(), s.parityDescription());
#endif
    return QString();
}

void SerialLine::onReadyRead()
{
    const QString text = m_decoder.decode(m_port.readAll());
    if (!text.isEmpty())
        emit received(text);
}

void SerialLine::onPortError(QSerialPort::SerialPortError error)
{
    bool ends = false;
    switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError: ends = true; break;
    case QSerialPort::WriteError:
    case QSerialPort::TimeoutError: break;
    default: return; // the rest answer a call, which returns false itself
    }
    m_error = m_port.errorString();
    if (m_failurePending) {
        m_closePending = m_closePending || ends;
        return;
    }
    m_failurePending = true;
    m_closePending = ends;
    // The port is inside its own notification here; it is closed, and the
    // window told, once that has returned. A read that fails keeps failing
    // until then, which is why one report covers them all. A device that
    // cannot be read any more (unplugged, its other end gone) is closed, so
    // that a later write fails instead of vanishing.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_failurePending)
                return; // closed by the program meanwhile
            const bool ends = m_closePending;
            m_failurePending = m_closePending = false;
            if (ends) {
                m_port.close();
                m_decoder.reset();
            }
            emit lineError(SerialEvent::DeviceFailure);
        },
        Qt::QueuedConnection);
}

} // namespace mg
