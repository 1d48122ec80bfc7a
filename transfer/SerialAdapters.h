#pragma once

#include <QList>
#include <QString>

namespace mg {

// A serial adapter that is plugged in, by the stable name the system gives
// it: the link's name carries maker, model and serial number, and stays the
// same whichever ttyUSB number the adapter gets today.
struct SerialAdapter {
    QString name;   // "usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0"
    QString path;   // the link itself, the name to keep in the settings
    QString device; // where it points now ("/dev/ttyUSB0")
};

inline constexpr const char *SerialAdapterFolder = "/dev/serial/by-id";

// The adapters in that folder, by name; none when the folder is absent
// (no adapter plugged in since start-up). A link to nothing is passed over.
QList<SerialAdapter> findSerialAdapters(const QString &folder = QString::fromLatin1(SerialAdapterFolder));

} // namespace mg
