#pragma once

#include "qtlockedfile.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class QLocalServer;
class QLocalSocket;

/**
 * One side of the single-instance channel. The first instance of an application id holds the
 * lock file and listens on a local socket that only the same user can reach; later instances
 * see the lock taken and send it a text message instead of starting.
 *
 * Wire format: a 32-bit big-endian byte count, then the message in UTF-8; the receiver answers
 * "ack". Nothing here waits on the caller's stack: sending, receiving and waiting for the lock
 * are states driven by the event loop, with timers as deadlines, and end in a signal.
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
    // The running instance may hold the lock a moment before it listens, or be replacing a
    // socket file left behind: a refused connection is tried once more after this pause.
    static constexpr int kConnectAttempts = 2;
    static constexpr int kConnectRetryMs = 250;
    // How often a restarted copy looks whether the old instance has let go of the lock.
    static constexpr int kLockPollMs = 100;

    explicit QtLocalPeer(const QString& applicationId, QObject* parent = nullptr);
    ~QtLocalPeer() override;

    // True when another instance holds the lock. The first call takes a free lock and starts
    // listening; this instance then keeps both until it ends.
    bool isClient();
    // Starts delivering message to the running instance and returns at once.
    // messageDeliveryFinished() follows exactly once, always from the event loop: true when the
    // running instance answered "ack" within timeout ms; false when none runs, it does not
    // answer in time, answers something else, or a delivery is already under way.
    void sendMessage(const QString& message, int timeout);
    // For a restarted copy: starts waiting up to timeout ms for the other instance to let go
    // of the lock and returns at once. lockWaitFinished() follows once, from the event loop:
    // true when this instance took the lock and listens, false at the deadline. A call while
    // a wait is under way changes nothing.
    void waitForLock(int timeout);

    QString applicationId() const { return m_id; }
    QString serverName() const { return m_socketName; }
    QString lockFileName() const { return m_lockFile.fileName(); }

    // "qtsingleapp-" + letters of the id (at most 6) + "-" + checksum of the id in hex
    // + "-" + user id in hex: one channel per application and user.
    static QString ServerNameFor(const QString& applicationId);

    // The wire format of one message: a big-endian 32-bit byte count, then the bytes.
    static QByteArray Frame(const QByteArray& message);
    enum class FrameState
    {
        Incomplete,
        Complete,
        // The count announces more than kMaxMessageBytes.
        TooLarge
    };
    // Reads the frame at the start of data: body gets the bytes of the message that have
    // arrived (all of them once Complete); bytes after the frame are ignored.
    static FrameState ReadFrame(const QByteArray& data, QByteArray* body);
    // Where lock file and socket live: $XDG_RUNTIME_DIR when it is a folder of this user's own
    // that nobody else may enter; otherwise such a folder made for the purpose (under the
    // temporary folder, or in the home folder when another user has taken that name).
    static QString RuntimeDirectory();

signals:
    void messageReceived(const QString& message);
    void messageDeliveryFinished(bool delivered);
    void lockWaitFinished(bool acquired);

private:
    void Listen();
    void AcceptConnections();

    void ConnectToRunningInstance();
    void OnDeliverySocketError();
    void OnDeliveryReply();
    void FinishDelivery(bool delivered);

    void PollLock();
    void FinishLockWait(bool acquired);

    QString m_id;
    QString m_socketName;
    QtLockedFile m_lockFile;
    QLocalServer* m_server = nullptr;
    bool m_checked = false;
    bool m_isClient = false;

    // The delivery under way; m_delivery is null when there is none.
    QLocalSocket* m_delivery = nullptr;
    QByteArray m_frame;
    int m_attemptsLeft = 0;
    QTimer m_deliveryDeadline;
    QTimer m_connectRetry;

    bool m_waitingForLock = false;
    QTimer m_lockPoll;
    QTimer m_lockDeadline;
};
