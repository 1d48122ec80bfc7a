#include "CommandLine.h"
#include "EditorApp.h"

#include <QApplication>
#include <QFile>
#include <memory>
#include <optional>

int main(int argc, char *argv[])
{
    // Command-line actions run without a display: decide them before any
    // window system is touched.
    if (argc > 1) {
        std::optional<int> status;
        {
            QCoreApplication core(argc, argv);
            QFile out;
            QFile err;
            out.open(stdout, QIODevice::WriteOnly);
            err.open(stderr, QIODevice::WriteOnly);
            status = mg::runCommandLine(QCoreApplication::arguments(), out, err);
        }
        if (status)
            return *status;
    }

    QApplication app(argc, argv);
    return mg::runEditor(app);
}
