#pragma once

#include "Prompts.h"
#include "SerialAdapters.h"
#include "SerialLine.h"
#include "SerialSettings.h"
#include "SettingsStore.h"

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace mg {

// "シリアルポートの設定": the serial console line's port, speed, framing,
// echo and flow control. It opens on the line's current state, overridden
// by the values saved by the last OK. OK applies port, settings and flow
// control to the line; a refusal is shown with the line's own description
// and nothing is saved. Only when all three took are the seven "MSComm"
// values saved.
//
// Below the designed controls it says whether the chosen port's device is
// there, and lists the serial adapters plugged in (by their stable names):
// choosing one makes it the chosen port's device, saved under
// [SerialDevices] with the rest on OK.
class frmSerial : public QDialog {
    Q_OBJECT
public:
    frmSerial(SettingsStore &settings, SerialLine &line, MessagePrompt &prompt, QWidget *parent = nullptr);

    // Where the adapters are looked for (SerialAdapterFolder unless told);
    // lists them again.
    void setAdapterFolder(const QString &folder);

    QLabel *Label1 = nullptr;
    QComboBox *cboPort = nullptr;
    QLabel *labDevice = nullptr; // the device file the chosen port stands for
    QGroupBox *fraSpeed = nullptr;
    QComboBox *cboSpeed = nullptr;
    QGroupBox *fraConnection = nullptr;
    QComboBox *cboDataBits = nullptr;
    QComboBox *cboParity = nullptr;
    QComboBox *cboStopBits = nullptr;
    QGroupBox *fraEcho = nullptr;
    QRadioButton *optEcho[2] = {};
    QGroupBox *fraFlow = nullptr;
    QRadioButton *optFlow[4] = {};
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
    QGroupBox *fraAttached = nullptr;
    QLabel *labDeviceState = nullptr; // whether the shown device is there
    QLabel *labAdapter = nullptr;
    QComboBox *cboAdapter = nullptr; // item 0 is no choice; the rest hold the link's path

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();
    void Form_Load();
    void showDevice();
    void listAdapters();
    void cboAdapter_Activated(int index);
    QString shownDevice(int port) const;
    void saveChosenDevices(QList<QPair<QString, QString>> *before);
    void optEcho_Click(int index);
    void optFlow_Click(int index);
    void cmdOK_Click();
    SerialSettings chosenSettings() const;
    void cmdCancel_Click();
    void reportLineFailure();
    void centerOnScreen();

    SettingsStore &m_settings;
    SerialLine &m_line;
    MessagePrompt &m_prompt;
    bool m_centered = false;
    QString m_adapterFolder = QString::fromLatin1(SerialAdapterFolder);
    QString m_chosenDevice[4]; // per port, an adapter chosen in this opening
    // Kept for one opening.
    bool Echo = false;
    int Flow = 0;
};

} // namespace mg
