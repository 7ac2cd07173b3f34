#include "qtlocalpeer.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <memory>
#include <unistd.h>

namespace {

// Each test gets its own channel so that tests and parallel runs never meet.
QString UniqueId()
{
    static int counter = 0;
    return QStringLiteral("TestPeer%1x%2").arg(QCoreApplication::applicationPid()).arg(++counter);
}

QByteArray Frame(const QByteArray& body, quint32 announced)
{
    QByteArray header(4, '\0');
    qToBigEndian<quint32>(announced, header.data());
    return header + body;
}

QByteArray Frame(const QByteArray& body)
{
    return Frame(body, quint32(body.size()));
}

// What a stand-in for the running instance does with a message.
enum class Answer
{
    NoInstance,
    Ack,
    Other,
    Silence,
    Hangup,
    NotListening,
    ListensLate,
};

} // namespace

Q_DECLARE_METATYPE(Answer)

class TestQtLocalPeer final : public QObject
{
    Q_OBJECT

private slots:
    void serverName_data();
    void serverName();
    void delivery_data();
    void delivery();
    void reception_data();
    void reception();
    void waitForLock_data();
    void waitForLock();
};

void TestQtLocalPeer::serverName_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("expected");
    const QString session = QString::number(::getuid(), 16);
    QTest::newRow("application id") << QStringLiteral("NorvaneApplication")
                                    << QStringLiteral("qtsingleapp-Norvan-5925-") + session;
    QTest::newRow("only letters, at most six")
        << QStringLiteral("a1-b2_c3 d4e5f6g")
        << QStringLiteral("qtsingleapp-abcdef-%1-").arg(qChecksum(QByteArray("a1-b2_c3 d4e5f6g")), 0, 16)
            + session;
}

void TestQtLocalPeer::serverName()
{
    QFETCH(QString, id);
    QFETCH(QString, expected);
    QCOMPARE(QtLocalPeer::ServerNameFor(id), expected);
    QtLocalPeer peer(id);
    QCOMPARE(peer.lockFileName(),
             QDir::tempPath() + QLatin1Char('/') + expected + QStringLiteral("-lockfile"));
}

// The sending side against a stand-in for the running instance that holds the lock and
// answers as told: the bytes it sends, when it counts a message as delivered, its deadline and
// its second attempt. Real instances talk to each other in TestQtSingleApplication.
void TestQtLocalPeer::delivery_data()
{
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<int>("timeout");
    QTest::addColumn<bool>("delivered");
    QTest::newRow("no running instance") << Answer::NoInstance << 5000 << false;
    QTest::newRow("ack") << Answer::Ack << 5000 << true;
    QTest::newRow("another answer") << Answer::Other << 5000 << false;
    QTest::newRow("no answer in time") << Answer::Silence << 300 << false;
    QTest::newRow("closed without answer") << Answer::Hangup << 5000 << false;
    QTest::newRow("lock held, nobody listens") << Answer::NotListening << 5000 << false;
    QTest::newRow("listens before the second attempt") << Answer::ListensLate << 5000 << true;
}

void TestQtLocalPeer::delivery()
{
    QFETCH(Answer, answer);
    QFETCH(int, timeout);
    QFETCH(bool, delivered);
    const QString id = UniqueId();
    const QByteArray expectedFrame = Frame(QStringLiteral("Activ\u00e9").toUtf8());

    QtLockedFile lock(QtLocalPeer(id).lockFileName());
    if (answer != Answer::NoInstance)
        QVERIFY(lock.tryLock());
    QLocalServer server;
    QByteArray arrived;
    connect(&server, &QLocalServer::newConnection, this, [&] {
        QLocalSocket* socket = server.nextPendingConnection();
        connect(socket, &QLocalSocket::readyRead, socket, [&, socket] {
            arrived += socket->readAll();
            if (answer == Answer::Hangup)
                socket->abort();
            else if (arrived.size() >= expectedFrame.size() && answer != Answer::Silence)
                socket->write(answer == Answer::Other ? "nak" : "ack");
        });
    });
    const QString name = QtLocalPeer::ServerNameFor(id);
    QLocalServer::removeServer(name);
    if (answer != Answer::NoInstance && answer != Answer::NotListening && answer != Answer::ListensLate)
        QVERIFY(server.listen(name));
    if (answer == Answer::ListensLate)
        QTimer::singleShot(QtLocalPeer::kConnectRetryMs / 2, &server,
                           [&server, name] { server.listen(name); });

    QtLocalPeer starting(id);
    // Alone, the peer takes the lock and is the running instance: there is nobody to tell.
    QCOMPARE(starting.isClient(), answer != Answer::NoInstance);
    QSignalSpy finished(&starting, &QtLocalPeer::messageDeliveryFinished);
    starting.sendMessage(QStringLiteral("Activ\u00e9"), timeout);
    // Never answered on the caller's stack: a caller that connects after the call, or enters
    // its event loop only then, still hears the outcome.
    QCOMPARE(finished.size(), 0);
    QVERIFY(finished.wait(timeout + 5000));
    QCOMPARE(finished.first().first().toBool(), delivered);
    QCOMPARE(finished.size(), 1);
    if (answer != Answer::NoInstance && answer != Answer::NotListening)
        QCOMPARE(arrived, expectedFrame);
}

// The receiving side against a client that speaks the framing by hand. A message is answered
// "ack" unless the client hung up first.
void TestQtLocalPeer::reception_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("pieceSize"); // 0: all at once
    QTest::addColumn<bool>("hangUp");
    QTest::addColumn<QString>("message"); // null: none comes of it
    // Pieces of three bytes split the header and the UTF-8 sequences.
    const QString text = QStringLiteral("Gr\u00fc\u00dfe \u2713 \U0001F600");
    QTest::newRow("frame in pieces") << Frame(text.toUtf8()) << 3 << false << text;
    QTest::newRow("empty") << Frame(QByteArray()) << 0 << false << QString(QLatin1String(""));
    const QString large(200000, QLatin1Char('x'));
    QTest::newRow("large") << Frame(large.toUtf8()) << 0 << false << large;
    QTest::newRow("body cut short, kept open") << Frame("Acti", 10) << 0 << false << QStringLiteral("Acti");
    QTest::newRow("body cut short, closed") << Frame("Acti", 10) << 0 << true << QStringLiteral("Acti");
    QTest::newRow("closed before the header ends") << QByteArray("AB") << 0 << true << QString();
    QTest::newRow("more than the limit announced") << Frame("EXIT", 0xFFFFFFFFu) << 0 << false << QString();
}

void TestQtLocalPeer::reception()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, pieceSize);
    QFETCH(bool, hangUp);
    QFETCH(QString, message);
    QtLocalPeer running(UniqueId());
    QVERIFY(!running.isClient());
    QSignalSpy received(&running, &QtLocalPeer::messageReceived);

    QLocalSocket socket;
    QSignalSpy connected(&socket, &QLocalSocket::connected);
    QSignalSpy closed(&socket, &QLocalSocket::disconnected);
    socket.connectToServer(running.serverName());
    QVERIFY(connected.size() == 1 || connected.wait(5000));
    const bool refused = message.isNull() && !hangUp;
    if (refused)
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("^QtLocalPeer: Message reception failed")));
    // One piece a turn of the event loop, so the receiver sees every piece on its own.
    QTimer writer;
    const qsizetype piece = pieceSize > 0 ? pieceSize : bytes.size();
    qsizetype offset = 0;
    connect(&writer, &QTimer::timeout, &socket, [&] {
        socket.write(bytes.mid(offset, piece));
        offset += piece;
        if (offset < bytes.size())
            return;
        writer.stop();
        if (hangUp)
            socket.disconnectFromServer();
    });
    writer.start(10);
    if (refused) {
        // Refused at the header: the connection is cut without an answer.
        QVERIFY(closed.wait(5000));
        QCOMPARE(socket.bytesAvailable(), 0);
    } else if (!message.isNull()) {
        QVERIFY(received.wait(QtLocalPeer::kBodyWaitMs + 5000));
        QCOMPARE(received.first().first().toString(), message);
    }
    if (!message.isNull() && !hangUp) {
        QTRY_VERIFY(socket.bytesAvailable() >= 3);
        QCOMPARE(socket.read(3), QByteArray("ack"));
        QVERIFY(closed.size() == 1 || closed.wait(QtLocalPeer::kAckWaitMs + 5000));
    }

    // The channel still works afterwards, and nothing else came of what was sent before.
    QtLocalPeer later(running.applicationId());
    later.sendMessage(QStringLiteral("Activate"), 5000);
    QTRY_VERIFY(!received.isEmpty() && received.last().first().toString() == QStringLiteral("Activate"));
    QCOMPARE(received.size(), message.isNull() ? 1 : 2);
}

void TestQtLocalPeer::waitForLock_data()
{
    QTest::addColumn<int>("oldEndsAfterMs"); // negative: it keeps running
    QTest::addColumn<bool>("acquired");
    QTest::newRow("old instance already gone") << 0 << true;
    QTest::newRow("old instance ends while waiting") << 3 * QtLocalPeer::kLockPollMs << true;
    QTest::newRow("old instance keeps running") << -1 << false;
}

void TestQtLocalPeer::waitForLock()
{
    QFETCH(int, oldEndsAfterMs);
    QFETCH(bool, acquired);
    const QString id = UniqueId();
    auto old = std::make_unique<QtLocalPeer>(id);
    QVERIFY(!old->isClient());
    QtLocalPeer restarted(id);
    QVERIFY(restarted.isClient());
    if (oldEndsAfterMs == 0)
        old.reset();
    else if (oldEndsAfterMs > 0)
        QTimer::singleShot(oldEndsAfterMs, this, [&old] { old.reset(); });

    QSignalSpy finished(&restarted, &QtLocalPeer::lockWaitFinished);
    const int timeout = acquired ? 10000 : 3 * QtLocalPeer::kLockPollMs;
    restarted.waitForLock(timeout);
    QCOMPARE(finished.size(), 0);
    QVERIFY(finished.wait(timeout + 5000));
    QCOMPARE(finished.first().first().toBool(), acquired);
    QCOMPARE(restarted.isClient(), !acquired);

    // Whichever instance holds the lock now is the one that later starts reach.
    QtLocalPeer& reached = acquired ? restarted : *old;
    QSignalSpy received(&reached, &QtLocalPeer::messageReceived);
    QtLocalPeer later(id);
    later.sendMessage(QStringLiteral("Activate"), 5000);
    QVERIFY(received.wait(5000));
}

QTEST_GUILESS_MAIN(TestQtLocalPeer)
#include "testqtlocalpeer.moc"
