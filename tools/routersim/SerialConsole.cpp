#include "SerialConsole.h"

#include "Router.h"
#include "SimulatorOptions.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace mg::routersim {

namespace {

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

SerialConsole::SerialConsole(Router &router, const SimulatorOptions &options, QObject *parent)
    : QObject(parent), m_options(options), m_dialogue(router, options, Dialogue::Kind::Console),
      m_pacer({options.oneByte, options.splitSjis, options.lineRate / 10},
              [this](const QByteArray &bytes) { return writeOutput(bytes); }),
      m_inputRate(options.lineRate / 10)
{
    m_inputPause.setSingleShot(true);
    m_inputPause.setTimerType(Qt::PreciseTimer);
    connect(&m_inputPause, &QTimer::timeout, this, [this] {
        if (m_readable)
            m_readable->setEnabled(true);
    });
    connect(&m_dialogue, &Dialogue::output, this, [this](const QByteArray &bytes) { m_pacer.send(bytes); });
    connect(&m_pacer, &OutputPacer::stalled, this, [this] {
        if (m_writable)
            m_writable->setEnabled(true);
    });
}

SerialConsole::~SerialConsole()
{
    close();
}

bool SerialConsole::open(QString *error)
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0) {
        *error = systemError("posix_openpt");
        return false;
    }
    char name[128];
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0 || ::ptsname_r(m_master, name, sizeof name) != 0) {
        *error = systemError("pseudo-terminal");
        return false;
    }
    m_slavePath = QString::fromLocal8Bit(name);
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0) {
        *error = systemError("opening the slave");
        return false;
    }
    // Raw at once: with the line discipline's echo on, the router would read
    // its own output back before the program sets the port up.
    termios settings{};
    if (::tcgetattr(m_slave, &settings) != 0) {
        *error = systemError("tcgetattr");
        return false;
    }
    ::cfmakeraw(&settings);
    if (::tcsetattr(m_slave, TCSANOW, &settings) != 0) {
        *error = systemError("tcsetattr");
        return false;
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);

    const QByteArray link = QFile::encodeName(m_options.serialLink);
    const QFileInfo linkInfo(m_options.serialLink);
    if (linkInfo.isSymLink()) {
        ::unlink(link.constData()); // left behind by a run that was killed
    } else if (linkInfo.exists()) {
        *error = QStringLiteral("%1 exists and is not a symbolic link").arg(m_options.serialLink);
        return false;
    }
    if (::symlink(name, link.constData()) != 0) {
        *error = systemError("creating the link");
        return false;
    }
    m_linkMade = true;

    m_readable = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
    connect(m_readable.get(), &QSocketNotifier::activated, this, &SerialConsole::readInput);
    m_writable = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Write);
    m_writable->setEnabled(false);
    connect(m_writable.get(), &QSocketNotifier::activated, this, [this] {
        m_writable->setEnabled(false);
        m_pacer.resume();
    });
    m_dialogue.begin();
    return true;
}

void SerialConsole::close()
{
    m_readable.reset();
    m_writable.reset();
    if (m_linkMade) {
        const QByteArray link = QFile::encodeName(m_options.serialLink);
        // Only our own link: another run may have taken the name since.
        if (QFileInfo(m_options.serialLink).symLinkTarget() == m_slavePath)
            ::unlink(link.constData());
        m_linkMade = false;
    }
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = m_master = -1;
}

void SerialConsole::readInput()
{
    qint64 wanted = 4096;
    if (m_inputRate.isLimited()) {
        wanted = std::min<qint64>(wanted, m_inputRate.available());
        if (wanted <= 0) {
            // The line is busy: what the program sends waits in the
            // terminal's buffer, and a fast sender backs up.
            m_readable->setEnabled(false);
            m_inputPause.start(m_inputRate.millisecondsToNextByte());
            return;
        }
    }
    QByteArray bytes(wanted, '\0');
    const ssize_t got = ::read(m_master, bytes.data(), size_t(wanted));
    if (got < 0) {
        if (errno != EAGAIN && errno != EINTR) {
            std::fprintf(stderr, "routersim: console: %s\n", std::strerror(errno));
            m_readable->setEnabled(false);
        }
        return;
    }
    if (m_inputRate.isLimited())
        m_inputRate.consume(got);
    bytes.truncate(got);
    m_dialogue.receive(bytes);
}

qint64 SerialConsole::writeOutput(const QByteArray &bytes)
{
    if (m_master < 0)
        return -1;
    const ssize_t written = ::write(m_master, bytes.constData(), size_t(bytes.size()));
    if (written >= 0)
        return written;
    if (errno == EAGAIN || errno == EINTR)
        return 0;
    std::fprintf(stderr, "routersim: console: %s\n", std::strerror(errno));
    return -1;
}

} // namespace mg::routersim
