#include "SingleInstance.h"

#include "Prompts.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

namespace mg {

SingleInstance::SingleInstance() : SingleInstance(defaultLockPath()) {}

SingleInstance::SingleInstance(const QString &lockPath)
    : m_path(lockPath), m_lock(std::make_unique<QLockFile>(lockPath))
{
    // A lock is stale only when its owner is gone, however long the
    // editor has been running.
    m_lock->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultLockPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/Quillmark KV700 Marrowgate.lock");
}

bool SingleInstance::tryAcquire()
{
    if (m_acquired)
        return true;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    m_acquired = m_lock->tryLock(0);
    return m_acquired;
}

bool SingleInstance::isHeldElsewhere() const
{
    return !m_acquired && m_lock->error() == QLockFile::LockFailedError;
}

bool ensureSingleInstance(SingleInstance &instance, MessagePrompt &prompt)
{
    if (instance.tryAcquire())
        return true;
    if (!instance.isHeldElsewhere()) {
        qWarning("marrowgate: cannot create the lock file %s; another copy of the program may be running",
                 qPrintable(instance.lockPath()));
        return true;
    }
    prompt.show(QStringLiteral("既に起動されています"), QStringLiteral("Quillmark KV700 Marrowgate"),
                MessageIcon::None, MessageButtons::Ok);
    return false;
}

} // namespace mg
