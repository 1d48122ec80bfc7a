#pragma once

#include "Prompts.h"
#include "SettingsStore.h"

#include <QDialog>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace mg {

// "IP アドレス": this PC's own address, prefilled from "LocalPC"/"IPAddr".
// It saves nothing itself; OK hands the address to whoever opened it.
class frmTelnetSetting : public QDialog {
    Q_OBJECT
public:
    frmTelnetSetting(const SettingsStore &settings, MessagePrompt &prompt, QWidget *parent = nullptr);

    // The address accepted by OK; nothing after キャンセル or closing.
    std::optional<QString> address() const { return m_address; }

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *txtIP = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

private:
    void buildControls();
    void Form_Load();
    void cmdOK_Click();
    void cmdCancel_Click();

    const SettingsStore &m_settings;
    MessagePrompt &m_prompt;
    std::optional<QString> m_address;
};

} // namespace mg
