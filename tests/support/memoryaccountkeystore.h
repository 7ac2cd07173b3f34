#pragma once

#include "platform/accountkeystore.h"

/**
 * An account key store in memory. Answers come from the event loop like a keyring's; a store
 * that is told to hold its answer to Load() leaves the window waiting for the key, so a test of
 * the window's own behaviour never starts the workflow.
 */
class MemoryAccountKeyStore final : public AccountKeyStore
{
    Q_OBJECT

public:
    explicit MemoryAccountKeyStore(QString key = QString(), QObject* parent = nullptr);

    void SetHoldLoad(bool hold) { m_holdLoad = hold; }
    QString Key() const { return m_key; }

    void Load() override;
    void Store(const QString& key) override;
    void Forget() override;

private:
    QString m_key;
    bool m_holdLoad = false;
};
