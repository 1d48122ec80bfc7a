#include "EditorApp.h"

#include "FirstShowProbe.h"
#include "GenerateCommand.h"
#include "QSettingsStore.h"
#include "QtPrompts.h"
#include "SingleInstance.h"
#include "frmBOD.h"
#include "frmMain.h"
#include "frmStaticNAT.h"
#include "frmStaticRoute.h"
#include "SerialLine.h"
#include "Ticker.h"
#include "TransferWindows.h"
#include "frmScript.h"
#include "frmTransmit.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QSessionManager>
#include <QTranslator>

namespace mg {

namespace {

// The three list dialogs of the window, each modal over it and answering
// whether it changed the configuration.
void installListDialogs(frmMain &window, MessagePrompt &prompt)
{
    window.setRouteDialog([&window, &prompt] {
        frmStaticRoute dialog(window.configuration(), prompt, &window);
        // キャンセル keeps the list edits, so they count as changes too.
        const bool accepted = dialog.exec() == QDialog::Accepted;
        return accepted || dialog.listChanged();
    });
    window.setEnatDialog([&window, &prompt] {
        frmStaticNAT dialog(window.configuration(), prompt, &window);
        dialog.exec();
        return dialog.changedConfiguration();
    });
    window.setBodDialog([&window, &prompt] {
        const int destination = window.configuration().CurrentTab - 1;
        if (destination < 1)
            return false;
        frmBOD dialog(window.configuration(), destination, prompt, &window);
        return dialog.exec() == QDialog::Accepted;
    });
}

} // namespace

int runEditor(QApplication &app)
{
    // The window belongs to the menu entry and shows its icon (from the
    // theme once installed; a build tree has none and shows the default).
    QGuiApplication::setDesktopFileName(QStringLiteral("marrowgate"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("marrowgate")));
    auto *translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);

    QtMessagePrompt prompt;
    QtFileDialogPrompt fileDialog;
    QSettingsStore settings;

    SingleInstance instance;
    if (!ensureSingleInstance(instance, prompt))
        return 0;

    frmMain window(prompt, fileDialog, settings, nullptr);
    prompt.setParent(&window);
    fileDialog.setParent(&window);

    // One serial port for the whole program, as the router's console cable
    // is one: the script window opens it, the transfer windows use it.
    SerialLine serial(settings);
    QtTickerFactory tickers;
    TransferEnvironment transfer{settings, prompt, serial, tickers};
    transfer.markChanged = [&window] { window.MarkChanged(); };
    transfer.etherAddress = [&window] { return window.configuration().Common.EthIP; };
    installValidation(window, prompt, [&window, &prompt, &transfer] {
        frmScript script(window.configuration(), prompt, &window, &transfer);
        script.formRefresh = [&window] { window.refreshFromConfiguration(); };
        script.exec();
    });
    window.setTransmitDialog([&window, &prompt, &settings, &serial] {
        frmTransmit dialog(settings, serial, prompt, &window);
        dialog.exec();
    });
    installListDialogs(window, prompt);
    // The desktop session logging out may end the program without anything
    // unwinding: a running transfer ends at once, so that its private
    // folder (the manager account file) goes. A quit (a signal, see main)
    // unwinds the windows and ends it on the way as well.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&transfer](QSessionManager &) { endTransferWindows(transfer); }, Qt::DirectConnection);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, [&transfer] { endTransferWindows(transfer); });
    FirstShowProbe::watchIfAsked(window);
    window.show();
    return app.exec();
}

} // namespace mg
