#include "memoryaccountkeystore.h"

#include <QMetaObject>

#include <utility>

MemoryAccountKeyStore::MemoryAccountKeyStore(QString key, QObject* parent)
    : AccountKeyStore(parent)
    , m_key(std::move(key))
{ }

void MemoryAccountKeyStore::Load()
{
    if (m_holdLoad)
        return;
    QMetaObject::invokeMethod(
        this, [this] { emit Loaded(m_key); }, Qt::QueuedConnection);
}

void MemoryAccountKeyStore::Store(const QString& key)
{
    m_key = key;
    QMetaObject::invokeMethod(
        this, [this] { emit Stored(true); }, Qt::QueuedConnection);
}

void MemoryAccountKeyStore::Forget()
{
    m_key.clear();
    QMetaObject::invokeMethod(
        this, [this] { emit Forgotten(); }, Qt::QueuedConnection);
}
