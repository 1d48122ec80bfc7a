#include "CommandLine.h"
#include "InterruptWatch.h"
#include "EditorApp.h"

#include <QApplication>
#include <QFile>
#include <unistd.h>
#include <optional>

int main(int argc, char *argv[])
{
    // Command-line actions run without a display: decide them before any
    // window system is touched.
    if (argc > 1) {
        std::optional<int> status;
        {
            QCoreApplication core(argc, argv);
            // Unbuffered, so a write that fails (a full disk, a closed
            // pipe) fails where it is checked, not unnoticed at exit.
            QFile out;
            QFile err;
            out.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle);
            err.open(STDERR_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle);
            status = mg::runCommandLine(QCoreApplication::arguments(), out, err);
        }
        if (status)
            return *status;
    }

    QApplication app(argc, argv);
    // SIGTERM, a closed terminal (SIGHUP), Ctrl+C or Ctrl+\ in it: the
    // windows close as on a quit, so a running transfer ends and removes its
    // private folder instead of the process dying where it stands.
    const mg::cli::InterruptWatch interrupts([](int signal) { QCoreApplication::exit(128 + signal); });
    return mg::runEditor(app);
}
