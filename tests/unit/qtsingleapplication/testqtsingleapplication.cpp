#include "qtlocalpeer.h"
#include "qtsingleapplication.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QtEndian>

#include <unistd.h>

namespace {

// Each test gets its own channel so that tests and parallel runs never meet.
QString UniqueId()
{
    static int counter = 0;
    return QStringLiteral("TestPeer%1x%2").arg(QCoreApplication::applicationPid()).arg(++counter);
}

// The wire format: a big-endian byte count, then the bytes.
QByteArray Frame(const QByteArray& body, qint64 announced = -1)
{
    QByteArray header(4, '\0');
    qToBigEndian<quint32>(quint32(announced < 0 ? body.size() : announced), header.data());
    return header + body;
}

} // namespace

// The single-instance channel: each side of QtLocalPeer against a stand-in for the other, and what
// the application object does with a message. Two real instances meet in TestStartup.
class TestQtSingleApplication final : public QObject
{
    Q_OBJECT

private slots:
    // The sending side against a stand-in for the running instance that holds the lock and
    // answers as told: the bytes it sends, when it counts a message as delivered, its deadline and
    // its second attempt. The stand-in builds the names by hand, in the user's private runtime
    // folder: "qtsingleapp", at most six letters of the id, its checksum and the user, so that
    // versions find each other and users never do.
    // Lock and socket never live where another user could have put something first.
    void runtimeDirectory_data()
    {
        QTest::addColumn<QString>("runtime");
        QTest::addColumn<QString>("chosen");
        // clang-format off
        QTest::newRow("a private XDG_RUNTIME_DIR") << "private" << "private";
        QTest::newRow("XDG_RUNTIME_DIR open to others") << "open" << "tmp/norvane-$uid";
        QTest::newRow("XDG_RUNTIME_DIR a link to a private folder") << "link" << "tmp/norvane-$uid";
        QTest::newRow("unset") << "" << "tmp/norvane-$uid";
        QTest::newRow("the temporary name taken") << "taken" << "home/.norvane-runtime";
        // clang-format on
    }
    void runtimeDirectory()
    {
        QFETCH(QString, runtime);
        QFETCH(QString, chosen);
        QTemporaryDir root;
        const QString uid = QString::number(::getuid());
        for (const char* folder : {"private", "open", "tmp", "home"})
            QVERIFY(QDir(root.path()).mkdir(QString::fromLatin1(folder)));
        QFile::setPermissions(root.filePath(QStringLiteral("private")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QVERIFY(QFile::link(root.filePath(QStringLiteral("private")), root.filePath(QStringLiteral("link"))));
        QFile taken(root.filePath(QStringLiteral("tmp/norvane-") + uid));
        QVERIFY(runtime != QLatin1String("taken") || taken.open(QIODevice::WriteOnly));
        const QByteArray saved[] = {qgetenv("XDG_RUNTIME_DIR"), qgetenv("TMPDIR"), qgetenv("HOME")};
        qputenv("XDG_RUNTIME_DIR", runtime.isEmpty() ? QByteArray() : root.filePath(runtime).toUtf8());
        qputenv("TMPDIR", root.filePath(QStringLiteral("tmp")).toUtf8());
        qputenv("HOME", root.filePath(QStringLiteral("home")).toUtf8());
        const QString actual = QtLocalPeer::RuntimeDirectory();
        qputenv("XDG_RUNTIME_DIR", saved[0]);
        qputenv("TMPDIR", saved[1]);
        qputenv("HOME", saved[2]);
        QCOMPARE(actual, root.filePath(QString(chosen).replace(QStringLiteral("$uid"), uid)));
        QCOMPARE(QFileInfo(actual).permissions() & 0x0077, QFileDevice::Permissions());
    }

    void delivery_data()
    {
        // What the stand-in does: answers "ack" or "nak", stays silent, hangs up, holds the lock
        // without listening, or starts listening only after the first attempt.
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("delivered");
        QTest::newRow("ack") << "ack" << true;
        QTest::newRow("another answer") << "nak" << false;
        QTest::newRow("no answer in time") << "silent" << false;
        QTest::newRow("closed without answer") << "hangup" << false;
        QTest::newRow("lock held, nobody listens") << "unheard" << false;
        QTest::newRow("listens before the second attempt") << "late" << true;
    }

    void delivery()
    {
        QFETCH(QString, answer);
        QFETCH(bool, delivered);
        const int timeout = answer == QLatin1String("silent") ? 300 : 5000;
        const QString id = UniqueId();
        const QByteArray expectedFrame = Frame(QStringLiteral("Activ\u00e9").toUtf8());

        const QString name = QtLocalPeer::RuntimeDirectory()
            + QStringLiteral("/qtsingleapp-TestPe-%1-%2")
                  .arg(qChecksum(id.toUtf8()), 0, 16)
                  .arg(::getuid(), 0, 16);
        QtLockedFile lock(name + QStringLiteral("-lockfile"));
        QVERIFY(lock.tryLock());
        QLocalServer server;
        QByteArray arrived;
        connect(&server, &QLocalServer::newConnection, this, [&] {
            QLocalSocket* socket = server.nextPendingConnection();
            connect(socket, &QLocalSocket::readyRead, socket, [&, socket] {
                arrived += socket->readAll();
                if (answer == QLatin1String("hangup"))
                    socket->abort();
                else if (arrived.size() >= expectedFrame.size() && answer != QLatin1String("silent"))
                    socket->write(answer == QLatin1String("nak") ? "nak" : "ack");
            });
        });
        QLocalServer::removeServer(name);
        if (answer != QLatin1String("unheard") && answer != QLatin1String("late"))
            QVERIFY(server.listen(name));
        if (answer == QLatin1String("late"))
            QTimer::singleShot(QtLocalPeer::kConnectRetryMs / 2, &server,
                               [&server, name] { server.listen(name); });

        QtLocalPeer starting(id);
        QVERIFY(starting.isClient());
        QSignalSpy finished(&starting, &QtLocalPeer::messageDeliveryFinished);
        starting.sendMessage(QStringLiteral("Activ\u00e9"), timeout);
        // Never answered on the caller's stack: a caller that connects after the call, or enters
        // its event loop only then, still hears the outcome.
        QCOMPARE(finished.size(), 0);
        QVERIFY(finished.wait(timeout + 5000));
        QCOMPARE(finished.first().first().toBool(), delivered);
        QCOMPARE(finished.size(), 1);
        if (answer != QLatin1String("unheard"))
            QCOMPARE(arrived, expectedFrame);
    }

    // The receiving side against a client that speaks the framing by hand. A message is answered
    // "ack" unless the client hung up first.
    void reception_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("pieceSize"); // 0: all at once
        QTest::addColumn<bool>("hangUp");
        QTest::addColumn<QString>("message"); // null: none comes of it
        // Pieces of three bytes split the header and the UTF-8 sequences.
        const QString text = QStringLiteral("Gr\u00fc\u00dfe \u2713 \U0001F600");
        // clang-format off
        QTest::newRow("frame in pieces") << Frame(text.toUtf8()) << 3 << false << text;
        QTest::newRow("empty") << Frame(QByteArray()) << 0 << false << QString(QLatin1String(""));
        QTest::newRow("body cut short, kept open") << Frame("Acti", 10) << 0 << false << QStringLiteral("Acti");
        QTest::newRow("body cut short, closed") << Frame("Acti", 10) << 0 << true << QStringLiteral("Acti");
        QTest::newRow("closed before the header ends") << QByteArray("AB") << 0 << true << QString();
        QTest::newRow("more than the limit announced") << Frame("EXIT", 0xFFFFFFFFu) << 0 << false << QString();
        // clang-format on
    }

    void reception()
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
        // One piece a turn of the event loop, so the receiver sees every piece on its own.
        const qsizetype piece = pieceSize > 0 ? pieceSize : bytes.size();
        for (qsizetype offset = 0; offset < bytes.size(); offset += piece) {
            socket.write(bytes.mid(offset, piece));
            QTest::qWait(10);
        }
        if (hangUp)
            socket.disconnectFromServer();
        if (refused) {
            // Refused at the header: the connection is cut without an answer.
            QTRY_COMPARE(closed.size(), 1);
            QCOMPARE(socket.bytesAvailable(), 0);
        } else if (!message.isNull()) {
            QTRY_COMPARE_WITH_TIMEOUT(received.size(), 1, QtLocalPeer::kBodyWaitMs + 5000);
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

    // A restarted copy gives up waiting for an old instance that keeps running, and stays a
    // client. Taking over once the old one ends is the start-up test's restart.
    void waitForLockEndsAtTheDeadline()
    {
        const QString id = UniqueId();
        QtLocalPeer old(id);
        QVERIFY(!old.isClient());
        QtLocalPeer restarted(id);
        QSignalSpy finished(&restarted, &QtLocalPeer::lockWaitFinished);
        restarted.waitForLock(3 * QtLocalPeer::kLockPollMs);
        QCOMPARE(finished.size(), 0);
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.first().first().toBool(), false);
        QVERIFY(restarted.isClient());
    }

    // Any text but "EXIT" brings the window back, from the tray or minimised, without raising it;
    // with activation switched off nothing does, not even "EXIT". That "EXIT" ends the running
    // instance is TestStartup's "/exit".
    void messageFromAnotherInstance_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("minimised"); // else closed to the tray
        QTest::addColumn<bool>("activateOnMessage");
        QTest::newRow("Activate, window minimised") << QStringLiteral("Activate") << true << true;
        QTest::newRow("exit, window in the tray") << QStringLiteral("exit") << false << true;
        QTest::newRow("EXIT with blank") << QStringLiteral("EXIT ") << false << true;
        QTest::newRow("activation switched off") << QStringLiteral("EXIT") << false << false;
    }

    void messageFromAnotherInstance()
    {
        QFETCH(QString, message);
        QFETCH(bool, minimised);
        QFETCH(bool, activateOnMessage);
        auto* app = qobject_cast<QtSingleApplication*>(QCoreApplication::instance());
        QWidget window;
        if (minimised) {
            window.showMinimized();
            QVERIFY(window.windowState().testFlag(Qt::WindowMinimized));
        } else {
            window.show();
            window.hide();
        }
        app->setActivationWindow(&window, activateOnMessage);
        QVERIFY(!app->isRunning());
        QSignalSpy received(app, &QtSingleApplication::messageReceived);
        QSignalSpy exitSpy(app, &QtSingleApplication::Exit);

        QtLocalPeer secondStart(app->id());
        secondStart.sendMessage(message, 5000);
        QVERIFY(received.wait(5000));
        QCOMPARE(received.first().first().toString(), message);
        QCOMPARE(exitSpy.size(), 0);
        QCOMPARE(window.isVisible(), activateOnMessage);
        QCOMPARE(window.windowState().testFlag(Qt::WindowMinimized), minimised && !activateOnMessage);
        app->setActivationWindow(nullptr, false);
    }
};

// The application object under test is the test's own QApplication.
int main(int argc, char* argv[])
{
    QtSingleApplication app(QStringLiteral("TestSingleApplication%1").arg(QCoreApplication::applicationPid()),
                            argc, argv);
    TestQtSingleApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "testqtsingleapplication.moc"
