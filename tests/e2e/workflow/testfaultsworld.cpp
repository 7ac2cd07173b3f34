#include "../worldwindow.h"
#include "logcapture.h"
#include "settings/settingsfile.h"

#include <QDir>
#include <QTcpServer>
#include <QTcpSocket>

#include <csignal>

// What goes wrong around a connection in the service world, one fault a row: the service's API
// down or slow (a garbled answer takes the same path; the API client's tests read those), OpenVPN
// killed at each stage, the VPN server gone, the management port taken by another program, the
// data folder on a full file system. Every row must end at the server selection with its reason
// in the log and on screen, no OpenVPN left and the settings file intact.
class TestFaultsWorld final : public QObject
{
    Q_OBJECT

private:
    E2e::WorldWindow m_world;
    QString m_fault; // the row's, for cleanup()

    static void KillOpenVpn()
    {
        const QList<qint64> pids = E2e::OpenVpnPids();
        QCOMPARE(pids.size(), 1);
        QCOMPARE(::kill(pid_t(pids.constFirst()), SIGKILL), 0);
    }
    static bool Run(const QString& program, const QStringList& arguments)
    {
        return QProcess::execute(program, arguments) == 0;
    }

private slots:
    void initTestCase()
    {
        E2E_SKIP_OUTSIDE_THE_WORLD();
        // A VPN server that never answers is given up after 20 s instead of 90, and the countdown
        // after a drop takes 1.6 s instead of 16.
        E2e::WindowSetup setup;
        setup.tunnel.connectAttemptLimitMs = 20000;
        setup.workflow.reconnectCountdownIntervalMs = 100;
        m_world.Open(setup);
        // A reply that trickles is given up after 8 s instead of 60.
        m_world.Context().Api().Queue().SetRequestDeadline(std::chrono::seconds(8));
    }

    void cleanupTestCase() { m_world.Close(); }

    // The world as it was, also after a failed row.
    void cleanup()
    {
        const QString config = QFileInfo(m_world.SettingsPath()).absolutePath();
        if (m_fault.startsWith(QLatin1String("--")) || m_fault == QLatin1String("api down")) {
            E2e::World(QStringLiteral("stop-sim"));
            QVERIFY(E2e::World(QStringLiteral("start-sim")));
        } else if (m_fault == QLatin1String("server gone")) {
            QVERIFY(E2e::World(QStringLiteral("start-server"), {QStringLiteral("udp")}));
        } else if (m_fault == QLatin1String("kill during authentication")) {
            QFile::remove(E2e::WorldDir() + QStringLiteral("/auth-delay"));
        } else if (m_fault == QLatin1String("disk full")) {
            Run(QStringLiteral("umount"), {config});
            QDir(config + QStringLiteral(".saved")).removeRecursively();
        }
        m_fault.clear();
    }

    void faultEndsClean_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("shown");
        const QString ip = QStringLiteral("remote IP check returns error.");
        const QString ipText
            = QStringLiteral("IP ERROR OCCURRED. RESTART & TRY AGAIN OR EXIT & CONTACT SUPPORT.");
        const QString service = QStringLiteral("openvpn service problem.");
        const QString serviceText
            = QStringLiteral("AN OPENVPN ERROR OCCURRED. RESTART & TRY AGAIN OR EXIT & CONTACT SUPPORT.");
        // clang-format off
        QTest::newRow("API down") << QStringLiteral("api down") << ip << ipText;
        QTest::newRow("API slower than the request limits") << QStringLiteral("--slow 20000") << ip << ipText;
        QTest::newRow("OpenVPN killed before the hold") << QStringLiteral("kill at start") << service << serviceText;
        QTest::newRow("OpenVPN killed during authentication") << QStringLiteral("kill during authentication") << service << serviceText;
        QTest::newRow("OpenVPN killed after connecting") << QStringLiteral("kill when connected") << service << serviceText;
        QTest::newRow("VPN server unreachable") << QStringLiteral("server gone") << QStringLiteral("server unavailable.") << QStringLiteral("THIS SERVER IS UNAVAILABLE. TRY AGAIN LATER OR TRY ANOTHER SERVER.");
        QTest::newRow("management port taken") << QStringLiteral("port taken") << service << serviceText;
        QTest::newRow("data folder on a full file system") << QStringLiteral("disk full") << service << serviceText;
        // clang-format on
    }
    void faultEndsClean()
    {
        QFETCH(QString, fault);
        QFETCH(QString, reason);
        QFETCH(QString, shown);
        m_fault = fault;
        QTRY_VERIFY_WITH_TIMEOUT(m_world.Child("ConnectButton")->isEnabled(), 20000);
        VPNSettings before;
        QVERIFY(SettingsFile::Read(m_world.SettingsPath(), before));
        const QString config = QFileInfo(m_world.SettingsPath()).absolutePath();
        const QString authDelay = E2e::WorldDir() + QStringLiteral("/auth-delay");
        LogCapture log;

        // Another program on the management port, which must learn nothing from the client.
        QTcpServer impostor;
        QByteArray toImpostor;
        if (fault == QLatin1String("port taken")) {
            QVERIFY(impostor.listen(QHostAddress::LocalHost, 52025));
            connect(&impostor, &QTcpServer::newConnection, &impostor, [&] {
                QTcpSocket* peer = impostor.nextPendingConnection();
                peer->write(
                    ">INFO:OpenVPN Management Interface\r\n>PASSWORD:Need 'Auth' username/password\r\n");
                connect(peer, &QTcpSocket::readyRead, peer, [&, peer] { toImpostor += peer->readAll(); });
            });
        } else if (fault.startsWith(QLatin1String("--"))) {
            QVERIFY(E2e::World(QStringLiteral("stop-sim")));
            QVERIFY(E2e::World(QStringLiteral("start-sim"), fault.split(QLatin1Char(' '))));
        } else if (fault == QLatin1String("api down")) {
            QVERIFY(E2e::World(QStringLiteral("stop-sim")));
        } else if (fault == QLatin1String("server gone")) {
            QVERIFY(E2e::World(QStringLiteral("stop-server"), {QStringLiteral("udp")}));
        } else if (fault == QLatin1String("kill during authentication")) {
            QFile delay(authDelay);
            QVERIFY(delay.open(QIODevice::WriteOnly) && delay.write("6\n") == 2);
        } else if (fault == QLatin1String("disk full")) {
            // A small file system over the data folder (this test's own mount namespace), filled up.
            const QString saved = config + QStringLiteral(".saved");
            QVERIFY(Run(QStringLiteral("cp"), {QStringLiteral("-a"), config, saved}));
            QVERIFY(Run(QStringLiteral("mount"),
                        {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                         QStringLiteral("size=512k,mode=0700"), QStringLiteral("norvane-full"), config}));
            QVERIFY(Run(QStringLiteral("cp"), {QStringLiteral("-a"), saved + QStringLiteral("/."), config}));
            // A first connection: rewriting the files of an earlier one would reuse their space.
            QFile::remove(config + QStringLiteral("/conn.ovpn"));
            QFile::remove(config + QStringLiteral("/tarnwick.crt"));
            QFile filler(config + QStringLiteral("/filler"));
            QVERIFY(filler.open(QIODevice::WriteOnly));
            while (filler.write(QByteArray(4096, 'x')) == 4096 && filler.flush()) { }
        }

        m_world.Click("ConnectButton");
        if (fault == QLatin1String("kill at start")) {
            // Before the management connection, which waits two seconds for OpenVPN to settle.
            QTRY_VERIFY_WITH_TIMEOUT(E2e::OpenVpnProcesses() == 1, 10000);
            QVERIFY(!log.Contains(QStringLiteral("Sending the management password.")));
            KillOpenVpn();
        } else if (fault == QLatin1String("kill during authentication")) {
            QTRY_VERIFY_WITH_TIMEOUT(log.Contains(QStringLiteral("Sending command :")), 20000);
            KillOpenVpn();
        } else if (fault == QLatin1String("kill when connected")) {
            QTRY_COMPARE_WITH_TIMEOUT(m_world.State(), QStringLiteral("ConnectedState"), 60000);
            KillOpenVpn();
        }

        QTRY_VERIFY2_WITH_TIMEOUT(log.Contains(QStringLiteral("Disconnect reason: ") + reason),
                                  qPrintable(log.All().right(1500)), 90000);
        QTRY_COMPARE_WITH_TIMEOUT(m_world.State(), QStringLiteral("ServerSelectState"), 20000);
        QCOMPARE(m_world.Indicator(), shown);
        QTRY_COMPARE_WITH_TIMEOUT(E2e::OpenVpnProcesses(), 0, 20000);
        // Nothing but the server last used may have changed in the settings file.
        VPNSettings after;
        QVERIFY(SettingsFile::Read(m_world.SettingsPath(), after));
        after.lastUsedServer = before.lastUsedServer;
        QVERIFY(after == before);

        if (fault == QLatin1String("port taken"))
            QVERIFY2(!toImpostor.contains("username") && !toImpostor.contains("password \"Auth\""),
                     toImpostor.constData());
    }
};

QTEST_MAIN(TestFaultsWorld)
#include "testfaultsworld.moc"
