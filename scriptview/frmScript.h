#pragma once

#include "Configuration.h"
#include "Prompts.h"
#include "ScriptPrinter.h"

#include <QDateTime>
#include <QDialog>
#include <functional>

class QAction;
class QKeyEvent;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;

namespace mg {

struct TransferEnvironment;

// The generated command script, shown before it goes to the router. The
// operator may read it, edit it by hand after a warning, or go back to the
// editor. Hand edits replace the configuration's CommandScript when the edit
// is finished; they never touch the settings the script was made from.
class frmScript : public QDialog {
    Q_OBJECT
public:
    // Without a transfer environment the window only shows, edits and
    // prints the script: "設定を送信" and the serial menu do nothing.
    frmScript(Configuration &configuration, MessagePrompt &prompt, QWidget *parent = nullptr,
              TransferEnvironment *transfer = nullptr);

    // The script as it must be kept and sent: the editor's line breaks turned
    // back into CR LF, every other character untouched.
    static QString scriptText(const QPlainTextEdit &box);

    // The copy "印刷..." prints: the script as it stands, headed with the
    // configuration's file name and the time of printing.
    ScriptPrintout printout() const;

    // Shows the print preview for a printout; tests print to a file instead.
    std::function<void(const ScriptPrintout &)> printPreview;
    std::function<QDateTime()> clock = &QDateTime::currentDateTime;
    // Called after "フォームに読み込む" replaced the configuration, so that
    // the editor shows the new values.
    std::function<void()> formRefresh;

    bool HandEditing = false;
    // Set by the router address dialog of the transfer: true on OK.
    bool TelnetConfirmed = true;

    QMenuBar *menuBar = nullptr;
    QMenu *mnuOption = nullptr;
    QAction *mnuSerial = nullptr;
    QAction *mnuLoadForm = nullptr;
    QPlainTextEdit *txtScript = nullptr;
    QPushButton *cmdEdit = nullptr;
    QPushButton *cmdReconf = nullptr;
    QPushButton *cmdAccept = nullptr;
    QPushButton *cmdPrint = nullptr;

public slots:
    void txtScript_Change();
    void cmdEdit_Click();
    void cmdReconf_Click();
    void cmdAccept_Click();
    void cmdPrint_Click();
    void mnuSerial_Click();
    // Carries hand edits back into the form: the script in the box is read
    // and its settings replace the form's, as unsaved work.
    void mnuLoadForm_Click();
    // Closing by any path closes the serial port a transfer opened.
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void centerOnScreen();
    void setLocked(bool locked);
    void updatePrintButton();
    void sendOverSerialLine();
    void sendOverNetwork();
    // False, after telling the operator, when the router cannot store the
    // configuration under that name.
    bool routerTakesName(const QString &name);
    // The stand-in encoder's passwords lock the operator out of a real
    // router, and the transfer would still end in "完了": before anything
    // is sent the operator is asked, and Enter stops. False to stop.
    bool standInEncoderAccepted();

    Configuration &m_configuration;
    MessagePrompt &m_prompt;
    TransferEnvironment *m_transfer;
    bool m_centered = false;
};

} // namespace mg
