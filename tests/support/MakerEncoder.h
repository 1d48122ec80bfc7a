#pragma once

// The router maker's password encoder, played by a shell script: an
// encoding of its own ("MK" and the lower-case hex of the password's
// bytes) and no idea of the stand-in's question, which it encodes like any
// password word. Started as the program starts an encoder (the words, then
// ">" and the file) it writes the file; otherwise standard output.

#include <QDir>
#include <QFile>

namespace mgtest {

// Writes it as "tzel" into folder (made when missing).
inline bool writeMakerEncoder(const QString &folder)
{
    const QByteArray script = "#!/bin/sh\n"
                              "words=\n"
                              "while [ $# -gt 0 ]; do\n"
                              "    if [ \"$1\" = '>' ]; then\n"
                              "        exec > \"$2\"\n"
                              "        break\n"
                              "    fi\n"
                              "    words=\"$words${words:+ }$1\"\n"
                              "    shift\n"
                              "done\n"
                              "printf 'MK%s' \"$(printf '%s' \"$words\" | od -An -tx1 | tr -d ' \\n')\"\n";
    QFile file(QDir(folder).filePath(QStringLiteral("tzel")));
    return QDir().mkpath(folder) && file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(script) == script.size() && file.flush()
        && file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

} // namespace mgtest
