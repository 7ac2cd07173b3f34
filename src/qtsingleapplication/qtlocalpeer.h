#pragma once

#include "qtlockedfile.h"

#include <QObject>
#include <QString>

class QLocalServer;

/**
 * One side of the single-instance channel. The first instance of an application id holds the
 * lock file and listens on a local socket that only the same user can reach; later instances
 * see the lock taken and send it a text message instead of starting.
 *
 * Wire format: a 32-bit big-endian byte count, then the message in UTF-8; the receiver answers
 * "ack". Receiving never blocks: bytes are collected as they arrive, with bounded waits.
 */
class QtLocalPeer final : public QObject
{
    Q_OBJECT

public:
    // The receiver's bounded waits, in milliseconds.
    static constexpr int kHeaderWaitMs = 30000;
    static constexpr int kBodyWaitMs = 2000;
    static constexpr int kAckWaitMs = 1000;
    // Longer messages are refused instead of allocating what a broken sender announces.
    static constexpr quint32 kMaxMessageBytes = 1024 * 1024;

    explicit QtLocalPeer(const QString& applicationId, QObject* parent = nullptr);
    ~QtLocalPeer() override;

    // True when another instance holds the lock. The first call takes a free lock and starts
    // listening; this instance then keeps both until it ends.
    bool isClient();
    // Delivers message to the running instance; false when none runs, it does not answer
    // within the time-out or its answer is not "ack". Waits without blocking the event loop.
    bool sendMessage(const QString& message, int timeout);
    // For a restarted copy: waits up to timeout ms for the other instance to let go of the
    // lock, then takes it and listens. True when this instance is now the one that runs.
    bool waitForLock(int timeout);

    QString applicationId() const { return m_id; }
    QString serverName() const { return m_socketName; }
    QString lockFileName() const { return m_lockFile.fileName(); }

    // "qtsingleapp-" + letters of the id (at most 6) + "-" + checksum of the id in hex
    // + "-" + user id in hex: one channel per application and user.
    static QString ServerNameFor(const QString& applicationId);

signals:
    void messageReceived(const QString& message);

private:
    void Listen();
    void AcceptConnections();

    QString m_id;
    QString m_socketName;
    QtLockedFile m_lockFile;
    QLocalServer* m_server = nullptr;
    bool m_checked = false;
    bool m_isClient = false;
};
