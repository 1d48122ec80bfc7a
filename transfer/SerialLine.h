#pragma once

#include "SerialOpenAdvice.h"
#include "SettingsStore.h"
#include "ShiftJis.h"

#include <QObject>
#include <QSerialPort>
#include <QString>

namespace mg {

// The serial console line to the router: port numbers 1..4 mapped to device
// files, a settings string like "9600,n,8,1", Shift_JIS text both ways.
// Whatever the device cannot do is an error with a description, never a
// silent substitute.
class SerialLine : public QObject {
    Q_OBJECT
public:
    static constexpr const char *DeviceSection = "SerialDevices"; // keys Com1..Com4

    explicit SerialLine(SettingsStore &settings, QObject *parent = nullptr);
    ~SerialLine() override;

    static QString comName(int port); // 1 -> "Com1"
    // The setting SerialDevices/ComN, else the default for that port. Read
    // at every open, so that a changed setting holds without a restart.
    QString devicePathFor(int port) const;

    int portNumber() const;
    // While open: closes, switches and reopens; on failure the old number
    // stays (and its device is opened again).
    bool setPortNumber(int port);

    QString settingsString() const;
    bool setSettingsString(const QString &settings);

    int handshaking() const; // 0 none, 1 Xon/Xoff, 2 RTS, 3 Xon/RTS
    bool setHandshaking(int flow);

    bool open();
    void close();
    bool isOpen() const;
    bool write(const QString &text);

    QString errorString() const;
    // The last open() failed for lack of permission on the device file.
    bool permissionDenied() const;
    // Why the last open() failed, the device it tried, and what the
    // operator can do about it (see serialOpenRemedy).
    SerialOpenFault openFault() const;
    QString failedDevice() const;
    QString openRemedy() const;

signals:
    void received(const QString &text);
    void lineError(int code);

private:
    // What a settings string asks for.
    struct LineSettings {
        qint32 speed = 9600;
        char parity = 'n'; // e o n m s
        int dataBits = 8;
        QString stopBits = QStringLiteral("1"); // "1", "1.5", "2"
    };

    bool fail(const QString &description);
    bool applySettings(const LineSettings &s);
    bool applyHandshaking(int flow);
    bool openDevice(int port);
    void cacheSettings();
    QString checkLine(const LineSettings &s) const;
    void onReadyRead();
    void onPortError(QSerialPort::SerialPortError error);

    SettingsStore &m_settings;
    QSerialPort m_port;
    ShiftJis::Decoder m_decoder;
    int m_portNumber = 1;
    LineSettings m_lineSettings;
    int m_flow = 0;
    QString m_error;
    bool m_permissionDenied = false;
    SerialOpenFault m_openFault = SerialOpenFault::None;
    QString m_failedDevice;
    bool m_failurePending = false; // a line failure is reported at the next turn of the event loop
    bool m_closePending = false;   // ... and that failure ends the line
};

} // namespace mg
