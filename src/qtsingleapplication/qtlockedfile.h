#pragma once

#include <QLockFile>
#include <QString>

// The single-instance lock: an exclusive lock on a file that the operating system lets go of
// when the holder ends, also after a crash (a dead holder's lock is taken over).
class QtLockedFile
{
public:
    explicit QtLockedFile(const QString& fileName);
    QtLockedFile(const QtLockedFile&) = delete;
    QtLockedFile& operator=(const QtLockedFile&) = delete;

    QString fileName() const { return m_fileName; }
    // Takes the lock without waiting; true when this object holds it afterwards.
    bool tryLock();
    bool isLocked() const { return m_lock.isLocked(); }
    void unlock() { m_lock.unlock(); }

private:
    QString m_fileName;
    QLockFile m_lock;
};
