#pragma once

#include <QJsonObject>
#include <QString>

namespace mg::routersim {

// The JSON file tests read the router's state from. Each write goes to a
// temporary file beside it that is then renamed over it, so a reader sees
// the old state or the new one, never half of either. No fsync: readers are
// on the same machine and the writes come after every answer.
class StateFile {
public:
    explicit StateFile(QString path) : m_path(std::move(path)) {}

    // Answers false, with the reason in *error, when it could not be written.
    bool write(const QJsonObject &state, QString *error) const;

private:
    QString m_path;
};

} // namespace mg::routersim
