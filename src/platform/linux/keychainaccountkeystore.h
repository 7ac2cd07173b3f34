#pragma once

#include "platform/accountkeystore.h"

namespace QKeychain {
class Job;
}

// The account key in the desktop keyring (Secret Service or KWallet). Where no keyring
// answers, the key goes to an owner-only file instead, so the user is not asked to sign in
// on every start; a key that later reaches the keyring removes that file.
class KeychainAccountKeyStore final : public AccountKeyStore
{
    Q_OBJECT
public:
    KeychainAccountKeyStore(QString fallbackFilePath, QObject* parent = nullptr);

    // Tests and machines without a session bus skip the keyring altogether.
    void SetKeyringEnabled(bool enabled) { m_keyringEnabled = enabled; }

    void Load() override;
    void Store(const QString& key) override;
    void Forget() override;

    static QString ServiceName() { return QStringLiteral("norvane"); }
    static QString EntryName() { return QStringLiteral("account-key"); }

private:
    QString ReadFallback() const;
    bool WriteFallback(const QString& key) const;
    void RemoveFallback() const;

    QString m_fallbackFilePath;
    bool m_keyringEnabled = true;
};
