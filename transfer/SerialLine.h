#pragma once

#include "SerialDevices.h"
#include "SerialOpenAdvice.h"
#include "SerialSettings.h"
#include "ShiftJis.h"

#include <QObject>
#include <QSerialPort>
#include <QString>

namespace mg {

// The serial console line to the router: port numbers 1..4 mapped to device
// files (SerialDevices), its SerialSettings, Shift_JIS text both ways.
// Whatever the device cannot do is an error with a description, never a
// silent substitute.
class SerialLine : public QObject {
    Q_OBJECT
public:
    explicit SerialLine(SerialDevices devices, QObject *parent = nullptr);
    // The command line's line: that one device, as port 1.
    explicit SerialLine(const QString &device, QObject *parent = nullptr);
    ~SerialLine() override;

    // The device of that port, read at every open (see SerialDevices).
    QString devicePathFor(int port) const;

    int portNumber() const;
    // While open: closes, switches and reopens; on failure the old number
    // stays (and its device is opened again).
    bool setPortNumber(int port);

    SerialSettings settings() const;
    // Framing and flow control together: a refusal (a value that is no
    // setting, one this system's ports cannot do, or, on an open line, one
    // the device refuses) leaves the line as it was.
    bool setSettings(const SerialSettings &settings);

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
    bool fail(const QString &description);
    bool applySettings(const SerialSettings &s);
    bool applyFraming(const SerialSettings &s);
    bool applyHandshaking(SerialSettings::Flow flow);
    bool openDevice(int port);
    void cacheSettings();
    QString checkLine(const SerialSettings &s) const;
    void onReadyRead();
    void onPortError(QSerialPort::SerialPortError error);

    SerialDevices m_devices;
    QSerialPort m_port;
    ShiftJis::Decoder m_decoder;
    int m_portNumber = 1;
    SerialSettings m_settings;
    QString m_error;
    bool m_permissionDenied = false;
    SerialOpenFault m_openFault = SerialOpenFault::None;
    QString m_failedDevice;
    bool m_failurePending = false; // a line failure is reported at the next turn of the event loop
    bool m_closePending = false;   // ... and that failure ends the line
};

} // namespace mg
