#include "SerialAdapters.h"

#include <QDir>
#include <QFileInfo>

namespace mg {

QList<SerialAdapter> findSerialAdapters(const QString &folder)
{
    QList<SerialAdapter> adapters;
    // System: the links point at device files, which are no ordinary files.
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (!entry.exists())
            continue;
        adapters.append({entry.fileName(), entry.absoluteFilePath(),
                         entry.isSymLink() ? entry.canonicalFilePath() : entry.absoluteFilePath()});
    }
    return adapters;
}

} // namespace mg
