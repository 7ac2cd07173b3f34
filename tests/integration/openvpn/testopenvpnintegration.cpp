#include "../../e2e/e2esupport.h"
#include "linux/linuxsystemservices.h"
#include "linux/openvpnlinux.h"
#include "settings/vpnsettings.h"
#include "tunnel/servicecontroller.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

// Drives a real openvpn client, run by norvane-helper on the world's private bus, against a real
// openvpn server in the service world: the tunnel controller's own view, below the window that the
// end-to-end tests drive over UDP.
class TestOpenVpnIntegration final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        E2E_SKIP_OUTSIDE_THE_WORLD();
        m_accountKey = qEnvironmentVariable("NORVANE_ACCOUNT_KEY");
        const QString home = qEnvironmentVariable("NORVANE_HOME");
        QVERIFY(QDir().mkpath(home + QStringLiteral("/Config")));
        m_services = std::make_unique<LinuxSystemServices>(QStringLiteral("norvane"));
        m_services->SetApplicationDirectory(home);
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
        CreateController(QStringLiteral("NORVANE_VPN_CA"));
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
        QTest::addColumn<QString>("caFile"); // the variable naming it
        QTest::addColumn<QString>("key"); // empty: the right one
        QTest::addColumn<bool>("reachable");
        // The API's CA did not sign the VPN server's certificate.
        // clang-format off
        QTest::newRow("wrong key: auth-failure") << QStringLiteral("NORVANE_VPN_CA") << QStringLiteral("not-the-key") << true;
        QTest::newRow("wrong CA: tls-error") << QStringLiteral("NORVANE_CA_FILE") << QString() << false;
        // clang-format on
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
        m_controller->SetCaSourceFile(qEnvironmentVariable(caFile.toLatin1().constData()));
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
        QFile record(E2e::WorldDir() + QStringLiteral("/sim/change-ip.log"));
        return record.open(QIODevice::ReadOnly) ? record.readAll() : QByteArray();
    }

    QString m_accountKey;
    VPNSettings m_settings;
    std::unique_ptr<LinuxSystemServices> m_services;
    std::unique_ptr<OpenVpnLinux> m_controller;
};

QTEST_GUILESS_MAIN(TestOpenVpnIntegration)
#include "testopenvpnintegration.moc"
