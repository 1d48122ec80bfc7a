#pragma once

#include "Prompts.h"

#include <QDialog>
#include <optional>

class QComboBox;
class QLabel;
class QPushButton;

namespace mg {

// "KV700 の IP アドレス": the router to install on over the network, asked
// each time a network transfer starts. The list offers the remote-operation
// address, the factory address and the Ethernet address of the edited
// configuration; any dotted address may be typed.
class frmTelnet : public QDialog {
    Q_OBJECT
public:
    frmTelnet(const QString &ethernetAddress, MessagePrompt &prompt, QWidget *parent = nullptr);

    // The address accepted by OK, in decimal without leading zeros
    // ("192.168.044.002" typed is "192.168.44.2"). Nothing after キャンセル or
    // closing the window, also when an OK before that was refused: only an
    // accepted address lets the transfer go on.
    std::optional<QString> routerAddress() const { return m_routerAddress; }

    // Opens the window modally and answers what it accepted.
    static std::optional<QString> ask(const QString &ethernetAddress, MessagePrompt &prompt,
                                      QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QComboBox *cboRouterIP = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void Form_Load(const QString &ethernetAddress);
    void cmdOK_Click();
    void cmdCancel_Click();

    MessagePrompt &m_prompt;
    std::optional<QString> m_routerAddress;
};

} // namespace mg
