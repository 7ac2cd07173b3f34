#include "qtlocalpeer.h"

#include <QDir>
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

QByteArray Header(quint32 size)
{
    QByteArray header(4, '\0');
    qToBigEndian<quint32>(size, header.data());
    return header;
}

// A client speaking the channel's framing by hand, connected to the running peer.
bool ConnectRaw(QLocalSocket& socket, const QtLocalPeer& running)
{
    socket.connectToServer(running.serverName());
    return socket.waitForConnected(5000);
}

} // namespace

class TestQtLocalPeer final : public QObject
{
    Q_OBJECT

private slots:
    void serverName_data();
    void serverName();
    void messages_data();
    void messages();
    void noRunningInstance();
    void framingArrivesInPieces();
    void oversizedMessageIsRefused();
    void bodyCutShortIsTakenAsItCame();
    void connectionClosedBeforeHeader();
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

void TestQtLocalPeer::messages_data()
{
    QTest::addColumn<QString>("message");
    QTest::newRow("Activate") << QStringLiteral("Activate");
    QTest::newRow("empty") << QString();
    QTest::newRow("non-ascii") << QStringLiteral("Gr\u00fc\u00dfe \u2713 \U0001F600");
    QTest::newRow("large") << QString(200000, QLatin1Char('x'));
}

void TestQtLocalPeer::messages()
{
    QFETCH(QString, message);
    const QString id = UniqueId();
    QtLocalPeer running(id);
    QVERIFY(!running.isClient());
    QSignalSpy received(&running, &QtLocalPeer::messageReceived);

    QtLocalPeer starting(id);
    QVERIFY(starting.sendMessage(message, 5000));
    QTRY_COMPARE(received.size(), 1);
    QCOMPARE(received.first().first().toString(), message);
}

void TestQtLocalPeer::noRunningInstance()
{
    QtLocalPeer alone(UniqueId());
    QVERIFY(!alone.sendMessage(QStringLiteral("EXIT"), 5000));
    QVERIFY(!alone.isClient());

    // The instance that held the lock has gone since this one started.
    const QString id = UniqueId();
    auto running = std::make_unique<QtLocalPeer>(id);
    QVERIFY(!running->isClient());
    QtLocalPeer starting(id);
    QVERIFY(starting.isClient());
    running.reset();
    QVERIFY(!starting.sendMessage(QStringLiteral("Activate"), 400));
}

void TestQtLocalPeer::framingArrivesInPieces()
{
    QtLocalPeer running(UniqueId());
    QVERIFY(!running.isClient());
    QSignalSpy received(&running, &QtLocalPeer::messageReceived);

    QLocalSocket socket;
    QVERIFY(ConnectRaw(socket, running));
    QSignalSpy answered(&socket, &QLocalSocket::readyRead);
    QSignalSpy closed(&socket, &QLocalSocket::disconnected);
    const QByteArray text = QStringLiteral("Activ\u00e9").toUtf8();
    const QByteArray frame = Header(quint32(text.size())) + text;
    for (qsizetype i = 0; i < frame.size(); i += 3) {
        socket.write(frame.mid(i, 3));
        QVERIFY(socket.waitForBytesWritten(5000));
        QCoreApplication::processEvents();
    }
    QTRY_COMPARE(received.size(), 1);
    QCOMPARE(received.first().first().toString(), QStringLiteral("Activ\u00e9"));
    QTRY_VERIFY(socket.bytesAvailable() >= 3);
    QCOMPARE(socket.read(3), QByteArray("ack"));
    QTRY_VERIFY(closed.size() == 1 || socket.state() == QLocalSocket::UnconnectedState);
}

void TestQtLocalPeer::oversizedMessageIsRefused()
{
    QtLocalPeer running(UniqueId());
    QVERIFY(!running.isClient());
    QSignalSpy received(&running, &QtLocalPeer::messageReceived);

    QLocalSocket socket;
    QVERIFY(ConnectRaw(socket, running));
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("^QtLocalPeer: Message reception failed")));
    socket.write(Header(0xFFFFFFFFu) + "EXIT");
    QVERIFY(socket.waitForBytesWritten(5000));
    QTRY_COMPARE(socket.state(), QLocalSocket::UnconnectedState);
    QCOMPARE(received.size(), 0);
}

void TestQtLocalPeer::bodyCutShortIsTakenAsItCame()
{
    QtLocalPeer running(UniqueId());
    QVERIFY(!running.isClient());
    QSignalSpy received(&running, &QtLocalPeer::messageReceived);

    QLocalSocket socket;
    QVERIFY(ConnectRaw(socket, running));
    socket.write(Header(10) + "Acti");
    QVERIFY(socket.waitForBytesWritten(5000));
    // The receiver gives up waiting for the rest after its body wait and answers anyway.
    QVERIFY(received.wait(QtLocalPeer::kBodyWaitMs + 5000));
    QCOMPARE(received.first().first().toString(), QStringLiteral("Acti"));
    QTRY_VERIFY(socket.bytesAvailable() >= 3);
    QCOMPARE(socket.read(3), QByteArray("ack"));
}

void TestQtLocalPeer::connectionClosedBeforeHeader()
{
    QtLocalPeer running(UniqueId());
    QVERIFY(!running.isClient());
    QSignalSpy received(&running, &QtLocalPeer::messageReceived);
    {
        QLocalSocket socket;
        QVERIFY(ConnectRaw(socket, running));
        socket.write("AB");
        QVERIFY(socket.waitForBytesWritten(5000));
    }
    // The channel still works afterwards, and the half header became no message.
    QtLocalPeer starting(running.applicationId());
    QVERIFY(starting.sendMessage(QStringLiteral("Activate"), 5000));
    QTRY_COMPARE(received.size(), 1);
    QCOMPARE(received.first().first().toString(), QStringLiteral("Activate"));
}

void TestQtLocalPeer::waitForLock()
{
    const QString id = UniqueId();
    auto old = std::make_unique<QtLocalPeer>(id);
    QVERIFY(!old->isClient());

    QtLocalPeer impatient(id);
    QVERIFY(!impatient.waitForLock(300));
    QVERIFY(impatient.isClient());

    QtLocalPeer restarted(id);
    QVERIFY(restarted.isClient());
    QTimer::singleShot(300, this, [&old] { old.reset(); });
    QVERIFY(restarted.waitForLock(10000));
    QVERIFY(!restarted.isClient());

    QSignalSpy received(&restarted, &QtLocalPeer::messageReceived);
    QtLocalPeer later(id);
    QVERIFY(later.sendMessage(QStringLiteral("Activate"), 5000));
    QTRY_COMPARE(received.size(), 1);
}

QTEST_GUILESS_MAIN(TestQtLocalPeer)
#include "testqtlocalpeer.moc"
