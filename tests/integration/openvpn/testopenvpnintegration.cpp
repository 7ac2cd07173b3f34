#include "../../e2e/e2esupport.h"
#include "linux/linuxsystemservices.h"
#include "linux/openvpnlinux.h"
#include "settings/vpnsettings.h"
#include "tunnel/servicecontroller.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <unistd.h>
#include <utility>

// Drives a real openvpn client, run by norvane-helper on the world's private bus, against a real
// openvpn server in the service world's network namespaces (set up by run-netns-test.sh), while a
// 10 ms timer measures how long the GUI thread goes without running its timers.
class TestOpenVpnIntegration final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_workDir = qEnvironmentVariable("NORVANE_IT_DIR");
        if (m_workDir.isEmpty() || geteuid() != 0)
            QSKIP("needs root and the network namespaces of run-netns-test.sh");
        m_accountKey = qEnvironmentVariable("NORVANE_IT_ACCOUNT_KEY");
        m_home = m_workDir + QStringLiteral("/home");
        QVERIFY(QDir().mkpath(m_home + QStringLiteral("/Config")));
        m_services = std::make_unique<LinuxSystemServices>(QStringLiteral("norvane"));
        m_services->SetApplicationDirectory(m_home);

        m_clock.start();
        m_watchdog.setInterval(10);
        connect(&m_watchdog, &QTimer::timeout, this, [this] {
            const qint64 now = m_clock.elapsed();
            m_worstGap = std::max(m_worstGap, now - std::exchange(m_lastTick, now));
        });
        m_watchdog.start();
    }
    // A measurement, not a check (timings belong to benchmarks): waiting on the GUI thread for
    // OpenVPN's start or stop instead of with timers would show here as a gap of a second or more.
    void cleanupTestCase() { qInfo("worst gap of the event loop: %lld ms", m_worstGap); }
    void cleanup()
    {
        if (m_controller) {
            m_controller->DisconnectFromServer();
            QTRY_VERIFY_WITH_TIMEOUT(!m_controller->Service().IsRunning(), 10000);
        }
        m_controller.reset();
    }

    void connectsChangesIpAndDisconnects_data()
    {
        QTest::addColumn<quint16>("port");
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<QString>("serverSide");
        QTest::newRow("udp 1194") << quint16(1194) << QStringLiteral("UDP") << QStringLiteral("198.18.0.1");
        // The TCP server's tunnel has its own server side, where a change-IP listener waits as well.
        QTest::newRow("tcp 443") << quint16(443) << QStringLiteral("TCP") << QStringLiteral("198.18.4.1");
    }
    void connectsChangesIpAndDisconnects()
    {
        QFETCH(quint16, port);
        QFETCH(QString, protocol);
        QFETCH(QString, serverSide);
        CreateController(QStringLiteral("ca.crt"));
        QSignalSpy disconnected(m_controller.get(), &OpenVpnGeneric::Disconnected);
        const int running = Connect(port, protocol);
        QCOMPARE(running, 1);
        // The server side is that of the tunnel address's /22.
        QCOMPARE(m_controller->FirstIpInRange(), serverSide);

        QSignalSpy sent(m_controller.get(), &OpenVpnGeneric::ChangeIpMessageSent);
        m_controller->ChangeIp();
        QVERIFY(sent.wait(35000));
        // The simulator logs each message it received in double quotes.
        const QByteArray expected
            = '"' + (m_accountKey + QLatin1Char('_') + m_controller->InternalServerIp()).toUtf8() + '"';
        QTRY_VERIFY_WITH_TIMEOUT(ReadChangeIpRecord().contains(expected), 10000);

        m_controller->DisconnectFromServer();
        QCOMPARE(disconnected.count(), 0); // the end follows as a signal
        QVERIFY(disconnected.wait(10000));
        QTRY_COMPARE_WITH_TIMEOUT(E2e::OpenVpnProcesses(), 0, 10000);
        // The helper's word that OpenVPN ended follows the process's end.
        QTRY_VERIFY_WITH_TIMEOUT(!m_controller->Service().IsRunning(), 5000);
        QTest::qWait(200);
        QCOMPARE(disconnected.count(), 1);
    }

    // The controller destroyed with the tunnel up: nothing waits, and OpenVPN, asked to end,
    // takes its routes down and exits by itself. Its log came through the helper, masked.
    void destroyedWhileConnected()
    {
        CreateController(QStringLiteral("ca.crt"));
        const int running = Connect(1194, QStringLiteral("UDP"));
        QCOMPARE(running, 1);
        QElapsedTimer destruction;
        destruction.start();
        m_controller.reset();
        // The stop checks run 200 ms apart: waiting for even one would show.
        QVERIFY(destruction.elapsed() < 150);
        QTRY_COMPARE_WITH_TIMEOUT(E2e::OpenVpnProcesses(), 0, 10000);
        QFile log(m_home + QStringLiteral("/Config/norvane_openvpn.log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray text = log.readAll();
        QVERIFY(text.contains("MANAGEMENT: CMD 'username \"Auth\" [masked]'"));
        QVERIFY(!text.contains(m_accountKey.toUpper().toUtf8()));
        QVERIFY(!text.contains(m_accountKey.toUtf8()));
    }

    void failedAttemptsEndOpenVpn_data()
    {
        QTest::addColumn<QString>("caFile");
        QTest::addColumn<QString>("key"); // empty: the right one
        QTest::addColumn<bool>("linkedCa"); // the CA in the configuration folder is a link
        QTest::addColumn<bool>("reachable");
        QTest::addColumn<bool>("serviceOk");
        const QString ca = QStringLiteral("ca.crt");
        QTest::newRow("wrong key: auth-failure")
            << ca << QStringLiteral("not-the-key") << false << true << true;
        QTest::newRow("wrong CA: tls-error")
            << QStringLiteral("other-ca.crt") << QString() << false << false << true;
        QTest::newRow("a linked CA: refused by the helper, a service problem")
            << ca << QString() << true << true << false;
    }
    void failedAttemptsEndOpenVpn()
    {
        QFETCH(QString, caFile);
        QFETCH(QString, key);
        QFETCH(bool, linkedCa);
        QFETCH(bool, reachable);
        QFETCH(bool, serviceOk);
        CreateController(caFile);
        const QString inConfig = m_home + QStringLiteral("/Config/tarnwick.crt");
        QFile::remove(inConfig);
        if (linkedCa) {
            QVERIFY(QFile::link(m_workDir + QLatin1Char('/') + caFile, inConfig));
            m_controller->SetCaSourceFile(inConfig);
        }
        QSignalSpy connected(m_controller.get(), &OpenVpnGeneric::Connected);
        QSignalSpy disconnected(m_controller.get(), &OpenVpnGeneric::Disconnected);
        const QString credential = key.isEmpty() ? m_accountKey : key;
        m_controller->SetCredentials(credential, credential);
        m_controller->ConnectToServer(QStringLiteral("198.51.100.1"), 1194, QStringLiteral("UDP"));
        QVERIFY(disconnected.wait(90000));
        QCOMPARE(connected.count(), 0);
        QCOMPARE(m_controller->ServerReachable(), reachable);
        QCOMPARE(m_controller->ServiceOk(), serviceOk);
        QTRY_VERIFY_WITH_TIMEOUT(!m_controller->Service().IsRunning(), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(E2e::OpenVpnProcesses(), 0, 10000);
        QFile::remove(inConfig);
    }

private:
    void CreateController(const QString& caFile)
    {
        m_controller = std::make_unique<OpenVpnLinux>(m_settings, *m_services,
                                                      OpenVpnLinux::CreateHelperController(*m_services));
        m_controller->SetCaSourceFile(m_workDir + QLatin1Char('/') + caFile);
    }
    // Connects with the right key; how many openvpn run then, 0 when it failed.
    int Connect(quint16 port, const QString& protocol)
    {
        QSignalSpy connected(m_controller.get(), &OpenVpnGeneric::Connected);
        m_controller->SetCredentials(m_accountKey, m_accountKey);
        m_controller->ConnectToServer(QStringLiteral("198.51.100.1"), port, protocol);
        return connected.wait(45000) ? E2e::OpenVpnProcesses() : 0;
    }
    QByteArray ReadChangeIpRecord() const
    {
        QFile record(qEnvironmentVariable("NORVANE_IT_CHANGEIP_FILE"));
        return record.open(QIODevice::ReadOnly) ? record.readAll() : QByteArray();
    }

    QString m_workDir;
    QString m_home;
    QString m_accountKey;
    VPNSettings m_settings;
    std::unique_ptr<LinuxSystemServices> m_services;
    std::unique_ptr<OpenVpnLinux> m_controller;
    QTimer m_watchdog;
    QElapsedTimer m_clock;
    qint64 m_lastTick = 0;
    qint64 m_worstGap = 0;
};

QTEST_GUILESS_MAIN(TestOpenVpnIntegration)
#include "testopenvpnintegration.moc"
