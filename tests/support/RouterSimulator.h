#pragma once

// Runs the router simulator (tools/routersim) as a child process for one
// test: the console on a pseudo-terminal reached through a link in a
// temporary folder, Telnet on 127.0.0.2 at a port the simulator picks, and
// its state file read back as a value. The destructor ends the process, so a
// failing test never leaves a router behind; the simulator itself also ends
// when the test process dies.
//
// A test target sets MG_ROUTERSIM to $<TARGET_FILE:routersim>.

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <memory>
#include <optional>

#ifndef MG_ROUTERSIM
#error "MG_ROUTERSIM must name the routersim executable"
#endif

namespace mgtest {

// What the router holds and what it was told, as the simulator last wrote it.
struct RouterState {
    QString received; // every line received, "\r\n" after each, passwords included
    QStringList commands;
    QString bootConfig;
    std::optional<QString> bootConfigText; // none when that file is not in flash
    QString managerPassword;
    QMap<QString, QString> files;
    int restarts = 0;
    int loginFailures = 0;
    int tftpRequests = 0;
    int tftpDataReceived = 0;
    int tftpUnknownTid = 0; // --tftp-stray-ack: ERROR 5 answers to the second port
};

class RouterSimulator {
public:
    enum Links { Serial = 1, Telnet = 2, SerialAndTelnet = Serial | Telnet };

    RouterSimulator() = default;
    RouterSimulator(const RouterSimulator &) = delete;
    RouterSimulator &operator=(const RouterSimulator &) = delete;
    ~RouterSimulator() { end(); }

    static QString program() { return QStringLiteral(MG_ROUTERSIM); }
    static QHostAddress routerAddress() { return QHostAddress(QStringLiteral("127.0.0.2")); }

    // Starts the simulator with the given links and extra options (such as
    // "--logged-in" or "--slow", "200") and waits for its ready line. False,
    // with errorString(), when it does not come up.
    bool start(const QStringList &options = {}, Links links = SerialAndTelnet,
               std::chrono::milliseconds timeout = std::chrono::seconds(30))
    {
        end();
        m_error.clear();
        m_serialDevice.clear();
        m_telnetPort = 0;
        if (!m_dir.isValid()) {
            m_error = QStringLiteral("no temporary folder: %1").arg(m_dir.errorString());
            return false;
        }
        QStringList arguments{QStringLiteral("--state"), statePath()};
        if (links & Serial)
            arguments << QStringLiteral("--serial") << serialLink();
        if (links & Telnet)
            arguments << QStringLiteral("--telnet") << routerAddress().toString() + QStringLiteral(":0");
        arguments << options;

        m_process = std::make_unique<QProcess>();
        // Diagnostics go straight to the test's output: a pipe nobody reads
        // while the test blocks elsewhere could stall the simulator.
        m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process->start(program(), arguments);
        if (!m_process->waitForStarted(int(timeout.count()))) {
            m_error = QStringLiteral("%1 did not start: %2").arg(program(), m_process->errorString());
            end();
            return false;
        }
        QElapsedTimer clock;
        clock.start();
        while (!m_process->canReadLine()) {
            const qint64 left = timeout.count() - clock.elapsed();
            if (left <= 0 || !m_process->waitForReadyRead(int(left))) {
                if (m_process->state() == QProcess::NotRunning)
                    m_error = QStringLiteral("routersim exited with code %1 before it was ready").arg(m_process->exitCode());
                else
                    m_error = QStringLiteral("routersim was not ready in time");
                end();
                return false;
            }
        }
        const QString line = QString::fromLocal8Bit(m_process->readLine()).trimmed();
        const QStringList words = line.split(QLatin1Char(' '));
        if (words.size() != 3 || words.at(0) != QLatin1String("ready") || !words.at(1).startsWith(QLatin1String("serial="))
            || !words.at(2).startsWith(QLatin1String("telnet="))) {
            m_error = QStringLiteral("unexpected first line from routersim: \"%1\"").arg(line);
            end();
            return false;
        }
        const QString serial = words.at(1).mid(7), telnet = words.at(2).mid(7);
        if (serial != QLatin1String("-"))
            m_serialDevice = serial;
        if (telnet != QLatin1String("-"))
            m_telnetPort = quint16(telnet.toUInt());
        return true;
    }

    QString errorString() const { return m_error; }
    bool isRunning() const { return m_process && m_process->state() != QProcess::NotRunning; }
    qint64 processId() const { return m_process ? m_process->processId() : 0; }

    // The link the program opens as its serial port, and the device it names.
    QString serialLink() const { return m_dir.filePath(QStringLiteral("ttyKV700")); }
    QString serialDevice() const { return m_serialDevice; }
    quint16 telnetPort() const { return m_telnetPort; }
    QString statePath() const { return m_dir.filePath(QStringLiteral("state.json")); }

    // The state file as JSON; empty when it cannot be read.
    QJsonObject stateJson() const
    {
        QFile file(statePath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }

    RouterState state() const
    {
        const QJsonObject json = stateJson();
        RouterState s;
        s.received = json.value(QLatin1String("received")).toString();
        for (const QJsonValue &command : json.value(QLatin1String("commands")).toArray())
            s.commands.append(command.toString());
        s.bootConfig = json.value(QLatin1String("bootConfig")).toString();
        const QJsonValue bootText = json.value(QLatin1String("bootConfigText"));
        if (bootText.isString())
            s.bootConfigText = bootText.toString();
        s.managerPassword = json.value(QLatin1String("managerPassword")).toString();
        const QJsonObject files = json.value(QLatin1String("files")).toObject();
        for (auto it = files.constBegin(); it != files.constEnd(); ++it)
            s.files.insert(it.key(), it.value().toString());
        s.restarts = json.value(QLatin1String("restarts")).toInt();
        s.loginFailures = json.value(QLatin1String("loginFailures")).toInt();
        s.tftpRequests = json.value(QLatin1String("tftpRequests")).toInt();
        s.tftpDataReceived = json.value(QLatin1String("tftpDataReceived")).toInt();
        s.tftpUnknownTid = json.value(QLatin1String("tftpUnknownTid")).toInt();
        return s;
    }

    // Asks the simulator to end (SIGTERM) and waits. Answers its exit code,
    // or -1 when it crashed or had to be killed.
    int stop()
    {
        if (!isRunning())
            return m_process && m_process->exitStatus() == QProcess::NormalExit ? m_process->exitCode() : -1;
        m_process->terminate();
        if (!m_process->waitForFinished(10000)) {
            end();
            return -1;
        }
        return m_process->exitStatus() == QProcess::NormalExit ? m_process->exitCode() : -1;
    }

private:
    void end()
    {
        if (!isRunning())
            return;
        m_process->terminate();
        if (!m_process->waitForFinished(3000)) {
            m_process->kill();
            m_process->waitForFinished(3000);
        }
    }

    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_process;
    QString m_error;
    QString m_serialDevice;
    quint16 m_telnetPort = 0;
};

} // namespace mgtest
