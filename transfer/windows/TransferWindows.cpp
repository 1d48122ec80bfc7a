#include "TransferWindows.h"

#include "Prompts.h"
#include "RouterInstall.h"
#include "SerialEvents.h"
#include "SerialLine.h"
#include "TelnetLink.h"
#include "Transcript.h"
#include "frmDefaultPass.h"
#include "frmLogin.h"
#include "frmStatus.h"

#include <QApplication>
#include <QPointer>
#include <QScopeGuard>

namespace mg {

void runTransferWindows(TransferRequest request, TransferEnvironment &environment, QWidget *parent)
{
    request.tftpPort = environment.tftpPort;
    if (request.method == TransferMethod::Serial) {
        const SerialLine &line = environment.serial;
        request.caller.line =
            QStringLiteral("%1 (%2)").arg(line.devicePathFor(line.portNumber()), line.settings().format());
    }
    // The line and the transcript outlive the installation, which closes
    // the one and writes to the other until it is gone.
    TelnetLink telnet;
    telnet.setRemotePort(environment.telnetPort);
    Transcript transcript;
    RouterInstall install(request, environment.tickers);
    install.setProgramFolder(environment.programFolder);

    // A session that cannot be recorded still runs: the progress window says
    // why there is no transcript.
    const QString folder =
        environment.transcriptFolder.isEmpty() ? Transcript::defaultFolder() : environment.transcriptFolder;
    if (transcript.openInFolder(folder))
        install.setTranscript(&transcript);

    // The transfer's windows open now, the front one last: the program's
    // end closes them all once the installation is over.
    QList<QPointer<QDialog>> windows;
    environment.endRunning = [&install, &windows] {
        install.abortNow();
        for (qsizetype i = windows.size() - 1; i >= 0; --i) {
            if (windows.at(i))
                windows.at(i)->reject();
        }
    };
    const auto forget = qScopeGuard([&environment] { environment.endRunning = nullptr; });

    QPointer<QWidget> over = parent;
    install.setFactoryPasswordChoice([&over, &windows]() -> std::optional<QString> {
        frmDefaultPass dialog(over);
        windows.append(&dialog);
        dialog.exec();
        windows.removeLast();
        if (dialog.choice() == frmDefaultPass::Choice::NewPassword)
            return dialog.newPassword();
        return std::nullopt;
    });

    QMetaObject::Connection lineErrors;
    if (install.method() == TransferMethod::Serial) {
        install.attach(environment.serial);
        lineErrors = QObject::connect(&environment.serial, &SerialLine::lineError, &install,
                                      [&environment](int code) { reportSerialLineError(code, environment); });
    } else {
        install.attach(telnet);
    }

    {
        frmLogin login(install, environment.prompt, parent);
        // The default password dialog opens over the login window.
        over = &login;
        windows = {&login};
        const bool loggedIn = login.exec() == QDialog::Accepted;
        windows.clear();
        over = parent;
        if (!loggedIn) {
            install.abort();
            transcript.close();
            QObject::disconnect(lineErrors);
            return;
        }
    }
    frmStatus status(install, environment.prompt, environment.markChanged, parent);
    status.setTranscript(transcript.isOpen() ? transcript.path() : QString(), transcript.errorString());
    if (environment.clock)
        status.setClock(environment.clock);
    windows = {&status};
    status.exec();
    install.abort();
    transcript.close();
    QObject::disconnect(lineErrors);
}

void endTransferWindows(TransferEnvironment &environment)
{
    if (environment.endRunning)
        environment.endRunning();
}

void reportSerialLineError(int code, TransferEnvironment &environment)
{
    const QString text = serialEventText(code);
    if (text.isEmpty())
        return;
    QApplication::beep();
    const MessageAnswer answer =
        environment.prompt.show(text, SerialErrorTitle, MessageIcon::None, MessageButtons::OkCancel);
    if (answer == MessageAnswer::Cancel)
        environment.serial.close();
}

} // namespace mg
