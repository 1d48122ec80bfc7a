#include "StateFile.h"

#include <QFile>
#include <QJsonDocument>

#include <cstdio>

namespace mg::routersim {

bool StateFile::write(const QJsonObject &state, QString *error) const
{
    const QString temporary = m_path + QStringLiteral(".tmp");
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = QStringLiteral("%1: %2").arg(temporary, file.errorString());
        return false;
    }
    const QByteArray bytes = QJsonDocument(state).toJson(QJsonDocument::Indented);
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        *error = QStringLiteral("%1: %2").arg(temporary, file.errorString());
        file.close();
        QFile::remove(temporary);
        return false;
    }
    file.close();
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(m_path).constData()) != 0) {
        *error = QStringLiteral("%1: cannot replace it").arg(m_path);
        QFile::remove(temporary);
        return false;
    }
    return true;
}

} // namespace mg::routersim
