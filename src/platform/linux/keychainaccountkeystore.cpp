#include "linux/keychainaccountkeystore.h"

#include "platform/isystemservices.h"
#include "support/privatefile.h"

#include <QDebug>
#include <QFile>
#include <qt6keychain/keychain.h>

#include <utility>

KeychainAccountKeyStore::KeychainAccountKeyStore(QString fallbackFilePath, QObject* parent)
    : AccountKeyStore(parent)
    , m_fallbackFilePath(std::move(fallbackFilePath))
{ }

QString KeychainAccountKeyStore::ReadFallback() const
{
    QFile file(m_fallbackFilePath);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll()).trimmed();
}

bool KeychainAccountKeyStore::WriteFallback(const QString& key) const
{
    QString error;
    // On a first start nothing may have made the folder yet.
    MakeFileDirectory(m_fallbackFilePath);
    if (PrivateFile::Write(m_fallbackFilePath, key.toUtf8(), &error))
        return true;
    qDebug() << "Can't store the account key:" << error;
    return false;
}

void KeychainAccountKeyStore::RemoveFallback() const
{
    QFile::remove(m_fallbackFilePath);
}

void KeychainAccountKeyStore::Load()
{
    if (!m_keyringEnabled) {
        // Queued so every caller sees the same asynchronous contract.
        QMetaObject::invokeMethod(
            this, [this] { emit Loaded(ReadFallback()); }, Qt::QueuedConnection);
        return;
    }
    auto* job = new QKeychain::ReadPasswordJob(ServiceName(), this);
    job->setKey(EntryName());
    connect(job, &QKeychain::Job::finished, this, [this, job] {
        if (job->error() == QKeychain::NoError && !job->textData().trimmed().isEmpty()) {
            emit Loaded(job->textData().trimmed());
            return;
        }
        if (job->error() != QKeychain::EntryNotFound)
            qDebug() << "Keyring not available, using the local key file:" << job->errorString();
        emit Loaded(ReadFallback());
    });
    job->start();
}

void KeychainAccountKeyStore::Store(const QString& key)
{
    if (!m_keyringEnabled) {
        const bool ok = WriteFallback(key);
        QMetaObject::invokeMethod(
            this, [this, ok] { emit Stored(ok); }, Qt::QueuedConnection);
        return;
    }
    auto* job = new QKeychain::WritePasswordJob(ServiceName(), this);
    job->setKey(EntryName());
    job->setTextData(key);
    connect(job, &QKeychain::Job::finished, this, [this, job, key] {
        if (job->error() == QKeychain::NoError) {
            RemoveFallback();
            emit Stored(true);
            return;
        }
        qDebug() << "Keyring not available, using the local key file:" << job->errorString();
        emit Stored(WriteFallback(key));
    });
    job->start();
}

void KeychainAccountKeyStore::Forget()
{
    RemoveFallback();
    if (!m_keyringEnabled) {
        QMetaObject::invokeMethod(
            this, [this] { emit Forgotten(); }, Qt::QueuedConnection);
        return;
    }
    auto* job = new QKeychain::DeletePasswordJob(ServiceName(), this);
    job->setKey(EntryName());
    // A keyring that cannot be reached holds nothing of ours to forget.
    connect(job, &QKeychain::Job::finished, this, [this] { emit Forgotten(); });
    job->start();
}
