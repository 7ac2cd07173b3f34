#pragma once

#include <QObject>

/**
 * Keeps the user's account key between runs.
 *
 * Every operation is asynchronous (a keyring may have to ask the user or time out) and ends
 * with exactly one signal. Load() reports an empty key when none is stored.
 */
class AccountKeyStore : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void Load() = 0;
    virtual void Store(const QString& key) = 0;
    virtual void Forget() = 0;

signals:
    void Loaded(const QString& key);
    void Stored(bool ok);
    void Forgotten();
};
