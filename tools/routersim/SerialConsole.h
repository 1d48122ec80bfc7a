#pragma once

#include "Dialogue.h"
#include "OutputPacer.h"
#include "RateLimiter.h"

#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>

#include <memory>

namespace mg::routersim {

class Router;
struct SimulatorOptions;

// The router's serial console on a pseudo-terminal. The program under test
// opens the slave side through a symbolic link. The simulator keeps a slave
// descriptor of its own open all the time, so the master never sees a
// hang-up when the program closes the port and opens it again.
class SerialConsole : public QObject {
    Q_OBJECT
public:
    SerialConsole(Router &router, const SimulatorOptions &options, QObject *parent = nullptr);
    ~SerialConsole() override;

    // Creates the pseudo-terminal and the link; false with the reason.
    bool open(QString *error);
    QString slavePath() const { return m_slavePath; }
    // Removes the link (if it is still ours) and closes the terminal.
    void close();

private:
    void readInput();
    qint64 writeOutput(const QByteArray &bytes);

    const SimulatorOptions &m_options;
    Dialogue m_dialogue;
    OutputPacer m_pacer;
    RateLimiter m_inputRate;
    QTimer m_inputPause;
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    bool m_linkMade = false;
    std::unique_ptr<QSocketNotifier> m_readable;
    std::unique_ptr<QSocketNotifier> m_writable;
};

} // namespace mg::routersim
