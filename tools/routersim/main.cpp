// routersim: plays a KV700 router for the tests, on a pseudo-terminal (the
// console) and on a loopback Telnet port, and keeps what it was told in a
// JSON state file. Run with --help for the options.

#include "Router.h"
#include "SerialConsole.h"
#include "SimulatorOptions.h"
#include "StateFile.h"
#include "TelnetServer.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

using namespace mg::routersim;

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT end the event loop, so the link is removed and the
// state written one last time on the normal way out.
bool catchTermination(QString *error)
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        *error = QStringLiteral("cannot create the signal pipe");
        return false;
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

int fail(const QString &message, int code)
{
    std::fprintf(stderr, "routersim: %s\n", qPrintable(message));
    return code;
}

} // namespace

int main(int argc, char *argv[])
{
    // A test that crashes must not leave its router behind.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);

    QCoreApplication app(argc, argv);
    QString error;
    bool helpShown = false;
    const std::optional<SimulatorOptions> options = SimulatorOptions::parse(app.arguments(), &error, &helpShown);
    if (!options) {
        if (helpShown) {
            std::fputs(qPrintable(error), stdout);
            return 0;
        }
        return fail(error, 2);
    }
    if (!catchTermination(&error))
        return fail(error, 1);
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });

    Router router(*options);
    const StateFile stateFile(options->statePath);
    auto save = [&router, &stateFile] {
        QString why;
        if (!stateFile.write(router.toJson(), &why))
            std::fprintf(stderr, "routersim: state file: %s\n", qPrintable(why));
    };
    QObject::connect(&router, &Router::changed, &app, save);
    QString why;
    if (!stateFile.write(router.toJson(), &why))
        return fail(QStringLiteral("state file: %1").arg(why), 1);

    SerialConsole console(router, *options);
    if (!options->serialLink.isEmpty() && !console.open(&error))
        return fail(QStringLiteral("console: %1").arg(error), 1);
    TelnetServer telnet(router, *options);
    if (options->telnet && !telnet.listen(&error))
        return fail(QStringLiteral("telnet: %1").arg(error), 1);

    const QString serialText = options->serialLink.isEmpty() ? QStringLiteral("-") : console.slavePath();
    const QString telnetText = options->telnet ? QString::number(telnet.port()) : QStringLiteral("-");
    std::printf("ready serial=%s telnet=%s\n", qPrintable(serialText), qPrintable(telnetText));
    std::fflush(stdout);

    const int code = app.exec();
    console.close();
    router.commit();
    save();
    return code;
}
