#include "../../e2e/e2esupport.h"
#include "linux/linuxsystemservices.h"
#include "linux/openvpnlinux.h"
#include "settings/vpnsettings.h"
#include "tunnel/servicecontroller.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <unistd.h>

// Drives a real openvpn client, run by norvane-helper on the world's private bus, against a real
// openvpn server in the service world's network namespaces (set up by run-netns-test.sh): the
// tunnel controller's own view, below the window that the end-to-end tests drive over UDP.
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
    }
    void cleanup()
    {
        if (m_controller) {
            m_controller->DisconnectFromServer();
            QTRY_VERIFY_WITH_TIMEOUT(!m_controller->Service().IsRunning(), 10000);
        }
        m_controller.reset();
    }

    // Over TCP: the tunnel has its own server side, where a change-IP listener waits as well.
    void connectsChangesIpAndDisconnectsOverTcp()
    {
        const quint16 port = 443;
        const QString protocol = QStringLiteral("TCP");
        const QString serverSide = QStringLiteral("198.18.4.1");
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

    void failedAttemptsEndOpenVpn_data()
    {
        QTest::addColumn<QString>("caFile");
        QTest::addColumn<QString>("key"); // empty: the right one
        QTest::addColumn<bool>("reachable");
        const QString ca = QStringLiteral("ca.crt");
        QTest::newRow("wrong key: auth-failure") << ca << QStringLiteral("not-the-key") << true;
        QTest::newRow("wrong CA: tls-error") << QStringLiteral("other-ca.crt") << QString() << false;
    }
    void failedAttemptsEndOpenVpn()
    {
        QFETCH(QString, caFile);
        QFETCH(QString, key);
        QFETCH(bool, reachable);
        CreateController(caFile);
        QSignalSpy connected(m_controller.get(), &OpenVpnGeneric::Connected);
        QSignalSpy disconnected(m_controller.get(), &OpenVpnGeneric::Disconnected);
        const QString credential = key.isEmpty() ? m_accountKey : key;
        m_controller->SetCredentials(credential, credential);
        m_controller->ConnectToServer(QStringLiteral("198.51.100.1"), 1194, QStringLiteral("UDP"));
        QVERIFY(disconnected.wait(90000));
        QCOMPARE(connected.count(), 0);
        QCOMPARE(m_controller->ServerReachable(), reachable);
        QVERIFY(m_controller->ServiceOk());
        QTRY_VERIFY_WITH_TIMEOUT(!m_controller->Service().IsRunning(), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(E2e::OpenVpnProcesses(), 0, 10000);
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
};

QTEST_GUILESS_MAIN(TestOpenVpnIntegration)
#include "testopenvpnintegration.moc"
