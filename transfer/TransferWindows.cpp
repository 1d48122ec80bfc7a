#include "TransferWindows.h"

#include "Prompts.h"
#include "RouterInstall.h"
#include "SerialEvents.h"
#include "SerialLine.h"
#include "TelnetLink.h"
#include "frmDefaultPass.h"
#include "frmLogin.h"
#include "frmStatus.h"

#include <QApplication>
#include <QPointer>

namespace mg {

void RunTransferWindows(TransferJob &job, TransferEnvironment &environment, QWidget *parent)
{
    job.tftpPort = environment.tftpPort;
    RouterInstall install(job, environment.tickers);
    install.setProgramFolder(environment.programFolder);

    QPointer<QWidget> over = parent;
    install.setFactoryPasswordChoice([&over]() -> std::optional<QString> {
        frmDefaultPass dialog(over);
        dialog.exec();
        if (dialog.choice() == frmDefaultPass::Choice::NewPassword)
            return dialog.newPassword();
        return std::nullopt;
    });

    TelnetLink telnet;
    telnet.setRemotePort(environment.telnetPort);
    QMetaObject::Connection lineErrors;
    if (job.method == TransferMethod::Serial) {
        install.attach(environment.serial);
        lineErrors = QObject::connect(&environment.serial, &SerialLine::lineError, &install,
                                      [&environment](int code) { ReportSerialLineError(code, environment); });
    } else {
        install.attach(telnet);
    }

    {
        frmLogin login(install, environment.prompt, parent);
        // The default password dialog opens over the login window.
        over = &login;
        const bool loggedIn = login.exec() == QDialog::Accepted;
        over = parent;
        if (!loggedIn) {
            install.abort();
            QObject::disconnect(lineErrors);
            return;
        }
    }
    frmStatus status(install, environment.prompt, environment.markChanged, parent);
    status.exec();
    install.abort();
    QObject::disconnect(lineErrors);
}

void ReportSerialLineError(int code, TransferEnvironment &environment)
{
    const QString text = SerialEventText(code);
    if (text.isEmpty())
        return;
    QApplication::beep();
    const MessageAnswer answer =
        environment.prompt.show(text, SerialErrorTitle, MessageIcon::None, MessageButtons::OkCancel);
    if (answer == MessageAnswer::Cancel)
        environment.serial.close();
}

} // namespace mg
