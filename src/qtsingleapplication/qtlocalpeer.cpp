#include "qtlocalpeer.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QRegularExpression>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <functional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// The socket file is already user-only; the peer's credentials are checked as well so that
// a socket opened up by mistake still takes no orders from someone else.
bool IsSameUser(qintptr descriptor)
{
    struct ucred credentials = {};
    socklen_t size = sizeof(credentials);
    if (::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0)
        return false;
    return credentials.uid == ::getuid();
}

// Collects one message from an accepted connection as its bytes arrive, answers "ack" and
// hands the text on. Lives as a child of the socket and goes with it.
class MessageReception final : public QObject
{
public:
    MessageReception(QLocalSocket* socket, std::function<void(const QString&)> deliver)
        : QObject(socket)
        , m_socket(socket)
        , m_deliver(std::move(deliver))
    {
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, [this] { OnTimeout(); });
        connect(socket, &QLocalSocket::readyRead, this, [this] { OnReadyRead(); });
        connect(socket, &QLocalSocket::disconnected, this, [this] { OnDisconnected(); });
        connect(socket, &QLocalSocket::errorOccurred, this,
                [this](QLocalSocket::LocalSocketError error) { OnError(error); });
        m_timer.start(QtLocalPeer::kHeaderWaitMs);
        OnReadyRead();
    }

private:
    enum class Phase
    {
        Header,
        Body,
        Done
    };

    void OnReadyRead()
    {
        if (m_phase == Phase::Done)
            return;
        // Nothing beyond one whole frame is kept.
        m_data += m_socket->read(qint64(4 + QtLocalPeer::kMaxMessageBytes) - m_data.size());
        switch (QtLocalPeer::ReadFrame(m_data, &m_body)) {
        case QtLocalPeer::FrameState::TooLarge:
            Fail(QStringLiteral("announced %1 bytes").arg(qFromBigEndian<quint32>(m_data.constData())));
            return;
        case QtLocalPeer::FrameState::Complete:
            Finish();
            return;
        case QtLocalPeer::FrameState::Incomplete:
            if (m_data.size() >= 4) {
                m_phase = Phase::Body;
                m_timer.start(QtLocalPeer::kBodyWaitMs);
            }
            return;
        }
    }

    void OnTimeout()
    {
        if (m_phase == Phase::Header)
            Fail(QStringLiteral("no message arrived"));
        else if (m_phase == Phase::Body)
            Finish(); // what arrived is taken as the message
    }

    void OnDisconnected()
    {
        if (m_phase == Phase::Body)
            Finish();
        m_phase = Phase::Done;
        m_socket->deleteLater();
    }

    void OnError(QLocalSocket::LocalSocketError error)
    {
        if (error == QLocalSocket::PeerClosedError || m_phase == Phase::Done)
            return; // the end of the connection is handled by OnDisconnected
        Fail(m_socket->errorString());
    }

    void Fail(const QString& reason)
    {
        qWarning() << "QtLocalPeer: Message reception failed" << reason;
        m_phase = Phase::Done;
        m_timer.stop();
        m_socket->abort();
        m_socket->deleteLater();
    }

    void Finish()
    {
        m_phase = Phase::Done;
        m_timer.stop();
        if (m_socket->state() == QLocalSocket::ConnectedState) {
            m_socket->write("ack", 3);
            m_socket->flush();
            // Closes once the answer is out; a reader that never takes it is cut off.
            m_socket->disconnectFromServer();
            if (m_socket->state() != QLocalSocket::UnconnectedState) {
                QLocalSocket* socket = m_socket;
                QTimer::singleShot(QtLocalPeer::kAckWaitMs, socket, [socket] { socket->abort(); });
            }
        }
        m_deliver(QString::fromUtf8(m_body));
    }

    QLocalSocket* m_socket;
    std::function<void(const QString&)> m_deliver;
    QTimer m_timer;
    Phase m_phase = Phase::Header;
    QByteArray m_data;
    QByteArray m_body;
};

// A real folder (no link) of this user's that nobody else can enter or list.
bool IsPrivateDirectory(const QString& path)
{
    struct stat info = {};
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & 0077) == 0;
}

bool MakePrivateDirectory(const QString& path)
{
    ::mkdir(QFile::encodeName(path).constData(), 0700);
    return IsPrivateDirectory(path);
}

} // namespace

QByteArray QtLocalPeer::Frame(const QByteArray& message)
{
    QByteArray frame(4, '\0');
    qToBigEndian<quint32>(quint32(message.size()), frame.data());
    return frame + message;
}

QtLocalPeer::FrameState QtLocalPeer::ReadFrame(const QByteArray& data, QByteArray* body)
{
    body->clear();
    if (data.size() < 4)
        return FrameState::Incomplete;
    const auto announced = qFromBigEndian<quint32>(data.constData());
    if (announced > kMaxMessageBytes)
        return FrameState::TooLarge;
    *body = data.mid(4, qsizetype(announced));
    return body->size() == qsizetype(announced) ? FrameState::Complete : FrameState::Incomplete;
}

QString QtLocalPeer::RuntimeDirectory()
{
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (IsPrivateDirectory(runtime))
        return runtime;
    const QString uid = QString::number(::getuid());
    QString temp = QDir::tempPath() + QStringLiteral("/norvane-") + uid;
    if (MakePrivateDirectory(temp))
        return temp;
    // Someone else made that name first: the home folder is the user's alone.
    QString home = QDir::homePath() + QStringLiteral("/.norvane-runtime");
    if (MakePrivateDirectory(home))
        return home;
    qWarning() << "QtLocalPeer: no private folder for the lock file and socket; using" << home;
    return home;
}

QtLocalPeer::QtLocalPeer(const QString& applicationId, QObject* parent)
    : QObject(parent)
    , m_id(applicationId)
    , m_socketName(RuntimeDirectory() + QLatin1Char('/') + ServerNameFor(applicationId))
    , m_lockFile(m_socketName + QStringLiteral("-lockfile"))
{
    m_deliveryDeadline.setSingleShot(true);
    connect(&m_deliveryDeadline, &QTimer::timeout, this, [this] { FinishDelivery(false); });
    m_connectRetry.setSingleShot(true);
    connect(&m_connectRetry, &QTimer::timeout, this, &QtLocalPeer::ConnectToRunningInstance);

    m_lockPoll.setInterval(kLockPollMs);
    connect(&m_lockPoll, &QTimer::timeout, this, &QtLocalPeer::PollLock);
    m_lockDeadline.setSingleShot(true);
    connect(&m_lockDeadline, &QTimer::timeout, this, [this] {
        // A lock let go of just before the deadline still counts.
        PollLock();
        FinishLockWait(false);
    });
}

QtLocalPeer::~QtLocalPeer() = default;

QString QtLocalPeer::ServerNameFor(const QString& applicationId)
{
    QString prefix = applicationId;
    prefix.remove(QRegularExpression(QStringLiteral("[^a-zA-Z]")));
    prefix.truncate(6);
    const QByteArray idBytes = applicationId.toUtf8();
    const QString checksum = QString::number(qChecksum(idBytes), 16);
    const QString session = QString::number(::getuid(), 16);
    return QStringLiteral("qtsingleapp-") + prefix + QLatin1Char('-') + checksum + QLatin1Char('-') + session;
}

bool QtLocalPeer::isClient()
{
    if (m_checked)
        return m_isClient;
    m_checked = true;
    m_isClient = !m_lockFile.tryLock();
    if (!m_isClient)
        Listen();
    return m_isClient;
}

void QtLocalPeer::waitForLock(int timeout)
{
    if (m_waitingForLock)
        return; // the wait under way answers
    m_waitingForLock = true;
    m_lockDeadline.start(std::max(timeout, 0));
    m_lockPoll.start();
    // The first look is taken from the event loop too, so the answer never comes before the
    // caller is back there.
    QTimer::singleShot(0, this, &QtLocalPeer::PollLock);
}

void QtLocalPeer::PollLock()
{
    if (!m_waitingForLock)
        return;
    if (isClient()) {
        if (!m_lockFile.tryLock())
            return;
        m_isClient = false;
        Listen();
    }
    FinishLockWait(true);
}

void QtLocalPeer::FinishLockWait(bool acquired)
{
    if (!m_waitingForLock)
        return;
    m_waitingForLock = false;
    m_lockPoll.stop();
    m_lockDeadline.stop();
    emit lockWaitFinished(acquired);
}

void QtLocalPeer::Listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    bool listening = m_server->listen(m_socketName);
    if (!listening && m_server->serverError() == QAbstractSocket::AddressInUseError) {
        // This instance holds the lock, so a socket file left behind belongs to one that is gone.
        QLocalServer::removeServer(m_socketName);
        listening = m_server->listen(m_socketName);
    }
    if (!listening) {
        qWarning("QtSingleCoreApplication: listen on local socket failed, %s",
                 qPrintable(m_server->errorString()));
        return;
    }
    connect(m_server, &QLocalServer::newConnection, this, &QtLocalPeer::AcceptConnections);
}

void QtLocalPeer::AcceptConnections()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        if (!IsSameUser(socket->socketDescriptor())) {
            qWarning() << "QtLocalPeer: connection from another user refused";
            socket->abort();
            socket->deleteLater();
            continue;
        }
        QPointer<QtLocalPeer> self(this);
        // Owned by the socket.
        new MessageReception(socket, [self](const QString& message) {
            if (self)
                emit self->messageReceived(message);
        });
    }
}

void QtLocalPeer::sendMessage(const QString& message, int timeout)
{
    if (m_delivery || !isClient()) {
        // Answered from the event loop like every other outcome, so that a caller may connect
        // to the signal after the call.
        QTimer::singleShot(0, this, [this] { emit messageDeliveryFinished(false); });
        return;
    }

    m_frame = Frame(message.toUtf8());
    m_delivery = new QLocalSocket(this);
    connect(m_delivery, &QLocalSocket::connected, this, [this] {
        // Once connected, a failure means the running instance went away: no point retrying.
        m_attemptsLeft = 0;
        m_delivery->write(m_frame);
    });
    connect(m_delivery, &QLocalSocket::readyRead, this, &QtLocalPeer::OnDeliveryReply);
    connect(m_delivery, &QLocalSocket::disconnected, this, &QtLocalPeer::OnDeliveryReply);
    connect(m_delivery, &QLocalSocket::errorOccurred, this, &QtLocalPeer::OnDeliverySocketError);
    m_attemptsLeft = kConnectAttempts;
    m_deliveryDeadline.start(std::max(timeout, 0));
    // connectToServer() may report success or failure before it returns; started from the
    // event loop, every outcome reaches the caller from there.
    m_connectRetry.start(0);
}

void QtLocalPeer::ConnectToRunningInstance()
{
    if (!m_delivery)
        return;
    --m_attemptsLeft;
    m_delivery->connectToServer(m_socketName);
}

void QtLocalPeer::OnDeliverySocketError()
{
    if (!m_delivery)
        return;
    if (m_attemptsLeft > 0) {
        m_delivery->abort();
        m_connectRetry.start(kConnectRetryMs);
        return;
    }
    OnDeliveryReply();
}

void QtLocalPeer::OnDeliveryReply()
{
    if (!m_delivery)
        return;
    if (m_delivery->bytesAvailable() >= 3)
        FinishDelivery(m_delivery->read(3) == "ack");
    else if (m_delivery->state() != QLocalSocket::ConnectedState)
        FinishDelivery(false);
}

void QtLocalPeer::FinishDelivery(bool delivered)
{
    if (!m_delivery)
        return;
    m_deliveryDeadline.stop();
    m_connectRetry.stop();
    QLocalSocket* socket = std::exchange(m_delivery, nullptr);
    // Signals of the closing socket must not reach a delivery that has ended; it may be the
    // one emitting right now, hence the late delete.
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    m_frame.clear();
    emit messageDeliveryFinished(delivered);
}
