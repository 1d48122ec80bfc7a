#pragma once

#include "Prompts.h"
#include "SerialLine.h"
#include "SettingsStore.h"
#include "TransferRequest.h"

#include <QDialog>

class QGroupBox;
class QPushButton;
class QRadioButton;

namespace mg {

// "設定の送信": how the script reaches the router, over the serial console
// or over the IP network. OK saves "Transmit"/"Method" (and, on a system
// that must be told this PC's address, "LocalPC"/"IPAddr"); キャンセル saves
// nothing. The two 設定... buttons open the serial settings and the local
// address dialogs. Below the designed frame, "シリアルの送信速度" chooses how
// fast the serial path types the script; OK saves it as "Transmit"/"Pacing".
class frmTransmit : public QDialog {
    Q_OBJECT
public:
    // What the system reports about itself. Linux has no such distinction,
    // so the program always passes NotDetermined; the other values keep the
    // rule for systems that must be told this PC's address.
    enum Platform { NotDetermined = 0, Windows9x = 1, WindowsNT = 2 };

    frmTransmit(SettingsStore &settings, SerialLine &line, MessagePrompt &prompt, QWidget *parent = nullptr,
                Platform systemPlatform = NotDetermined);

    QGroupBox *Frame1 = nullptr;
    QRadioButton *optTransmit[2] = {};
    QPushButton *cmdSerialSetting = nullptr;
    QPushButton *cmdTelnetSetting = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
    QGroupBox *fraPacing = nullptr;
    QRadioButton *optPacing[2] = {}; // one line a second, echo pacing

    // The pacing the windows give a serial transfer: echo pacing only when
    // "echo" is saved (in any case), one line a second for anything else
    // (nothing saved yet, a value a later version or a hand edit left).
    static TransferPacing serialPacing(const SettingsStore &settings);

private:
    void buildControls();
    void Form_Load();
    void optTransmit_Click(int index);
    void cmdSerialSetting_Click();
    void cmdTelnetSetting_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

    SettingsStore &m_settings;
    SerialLine &m_line;
    MessagePrompt &m_prompt;
    const Platform m_systemPlatform;
    // Kept for one opening: the platform as far as it matters here, and the
    // address the local address dialog handed over.
    Platform OsPlatform = NotDetermined;
    QString LocalPcAddress;
};

} // namespace mg
