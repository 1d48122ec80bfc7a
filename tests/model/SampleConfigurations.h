#pragma once

#include "RcfFile.h"

#include <QFile>

// The checked-in files the file tests start from: dialup.rcf (every optional block, values holding
// other keys' text, Japanese text) and leased.rcf (a 128k leased line), written line by line from the
// file layout; full.rcf (every table full) and other_keys.rcf (values that read like block markers
// and other keys), written by the program.

namespace samples {

inline QByteArray readData(const QString &name)
{
    QFile f(QStringLiteral(MG_TEST_DATA_DIR "/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline mg::Configuration golden(const QString &name)
{
    const mg::RcfReadResult read = mg::readRcf(readData(QStringLiteral("golden/%1.rcf").arg(name)), {});
    if (!read.ok)
        qFatal("golden/%s.rcf does not read", qPrintable(name));
    return read.config;
}

} // namespace samples
