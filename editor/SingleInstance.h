#pragma once

#include <QString>
#include <memory>

class QLockFile;

namespace mg {

class MessagePrompt;

// One running editor per user: a lock file in the user's runtime folder,
// held for the life of the process. A lock left behind by a crashed process
// is recovered, since its owner no longer runs.
class SingleInstance {
public:
    // The default lock: "<runtime or temp folder>/Quillmark KV700 Marrowgate.lock".
    SingleInstance();
    explicit SingleInstance(const QString &lockPath);
    ~SingleInstance();

    static QString defaultLockPath();

    // Answers true when this process is (now) the only instance.
    bool tryAcquire();
    bool isAcquired() const { return m_acquired; }
    // After a failed tryAcquire: whether a running instance holds the lock,
    // rather than the lock file being impossible to create.
    bool isHeldElsewhere() const;
    QString lockPath() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    bool m_acquired = false;
};

// Acquires the instance lock; when another instance holds it, tells the
// operator "既に起動されています" and answers false. When the lock file
// cannot be created at all, the editor still starts (with a warning on
// standard error): refusing would wrongly claim another instance runs.
bool ensureSingleInstance(SingleInstance &instance, MessagePrompt &prompt);

} // namespace mg
