#include "CommandLine.h"
#include "EditorApp.h"

#include <QApplication>
#include <QFile>
#include <sys/auxv.h>
#include <unistd.h>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

namespace {

// Installed, the program holds the capability to bind UDP port 69. A
// program with a capability must not load code a user names: Qt would load
// plugins from folders given in the environment or on the command line, so
// those are dropped when the kernel marks the start as privileged.
void dropPluginPaths(int &argc, char *argv[])
{
    if (getauxval(AT_SECURE) == 0)
        return;
    for (const char *name : {"QT_PLUGIN_PATH", "QT_QPA_PLATFORM_PLUGIN_PATH", "QML_IMPORT_PATH",
                             "QML2_IMPORT_PATH", "QT_QPA_PLATFORMTHEME", "QT_QPA_GENERIC_PLUGINS"})
        unsetenv(name);
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platformpluginpath") == 0 || std::strcmp(argv[i], "--platformpluginpath") == 0) {
            ++i;   // and its folder
            continue;
        }
        argv[kept++] = argv[i];
    }
    argc = kept;
    argv[argc] = nullptr;
}

} // namespace

int main(int argc, char *argv[])
{
    dropPluginPaths(argc, argv);
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
    return mg::runEditor(app);
}
