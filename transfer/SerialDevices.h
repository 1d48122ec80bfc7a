#pragma once

#include <QString>

namespace mg {

class SettingsStore;

// Which device file each of the serial line's ports 1..4 stands for. The
// windows' ports are the settings' [SerialDevices] Com1..Com4, else a
// default under which a USB serial adapter works without any setting; they
// are read at every call, so that a setting changed while the program runs
// holds at the next open. The command line names one device, which is
// port 1 and the only port there is.
class SerialDevices {
public:
    static constexpr const char *Section = "SerialDevices"; // keys Com1..Com4

    // Implicit on purpose: a line over the settings' devices is the
    // windows' line, and reads as `SerialLine line(settings)`.
    SerialDevices(SettingsStore &settings);
    static SerialDevices only(const QString &device);

    static QString comName(int port); // 1 -> "Com1"
    // The device of that port; empty for a port the line does not have.
    QString pathFor(int port) const;

private:
    SerialDevices() = default;

    SettingsStore *m_settings = nullptr;
    QString m_only;
};

} // namespace mg
