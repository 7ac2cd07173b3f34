#include "qtlockedfile.h"

QtLockedFile::QtLockedFile(const QString& fileName)
    : m_fileName(fileName)
    , m_lock(fileName)
{
    // A live instance can run for days: only a holder that is gone may lose the lock, never
    // one whose lock file is merely old.
    m_lock.setStaleLockTime(0);
}

bool QtLockedFile::tryLock()
{
    return m_lock.isLocked() || m_lock.tryLock(0);
}
