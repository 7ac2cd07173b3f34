#include "fakeopenvpn.h"
#include "linux/linuxsystemservices.h"
#include "linux/openvpnlinux.h"
#include "settings/vpnsettings.h"
#include "temphome.h"

#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

class TestOpenVpnLinux final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_home = std::make_unique<TempHome>();
        m_services = std::make_unique<LinuxSystemServices>(QStringLiteral("norvane"));
        m_services->SetApplicationDirectory(m_home->Path());
        m_settings = VPNSettings();
        QFile ca(m_home->Path() + QStringLiteral("/test-ca.crt"));
        QVERIFY(ca.open(QIODevice::WriteOnly));
        ca.write("test ca\n");
    }
    void cleanup()
    {
        m_controller.reset();
        m_server.reset();
        m_services.reset();
        m_home.reset();
    }

    void designedTimingsAreTheDefaults()
    {
        const OpenVpnTimings timings;
        QCOMPARE(timings.serviceCheckIntervalMs, 1000);
        QCOMPARE(timings.serviceCheckLimit, 30);
        QCOMPARE(timings.managementConnectDelayMs, 1000);
        QCOMPARE(timings.failureSignalDelayMs, 2000);
        QCOMPARE(timings.disconnectWaitMs, 15000);
        QCOMPARE(timings.changeIpConnectTimeoutMs, 30000);
        QCOMPARE(OpenVpnMgmt::DefaultPort, quint16(52025));
    }

    void connectsAndDisconnects_data()
    {
        QTest::addColumn<bool>("split");
        QTest::addColumn<bool>("reportsEnd");
        QTest::newRow("whole lines") << false << true;
        QTest::newRow("lines cut across reads") << true << true;
        QTest::newRow("end never reported: the wait is bounded") << false << false;
    }
    void connectsAndDisconnects()
    {
        QFETCH(bool, split);
        QFETCH(bool, reportsEnd);
        Create(FakeManagementServer::Success, split);
        m_server->sendOnStop = reportsEnd;
        if (!reportsEnd) {
            OpenVpnTimings timings = m_controller->Timings();
            timings.disconnectWaitMs = 100;
            m_controller->SetTimings(timings);
        }
        QSignalSpy connected(m_controller.get(), &OpenVpnGeneric::Connected);
        QSignalSpy canCancel(m_controller.get(), &OpenVpnGeneric::CanCancelConnecting);
        QSignalSpy disconnected(m_controller.get(), &OpenVpnGeneric::Disconnected);
        LogCapture log;

        QVERIFY(ConnectAndWait(QStringLiteral("key\"with\\odd")));
        QCOMPARE(canCancel.count(), 1);
        QCOMPARE(m_server->received,
                 QByteArray("state on\nhold release\nusername \"Auth\" \"KEY\\\"WITH\\\\ODD\"\n"
                            "password \"Auth\" \"KEY\\\"WITH\\\\ODD\"\n"));
        QCOMPARE(m_controller->InternalServerIp(), QStringLiteral("127.0.13.22"));
        QCOMPARE(m_controller->FirstIpInRange(), QStringLiteral("127.0.12.1"));
        QVERIFY(m_controller->IsConnected());
        QVERIFY(!log.All().contains(QLatin1String("KEY\\\"WITH")));
        QCOMPARE(QFile::exists(m_home->ConfigPath(QStringLiteral("tarnwick.crt"))), true);

        // The disconnect returns at once; OpenVPN's end follows as the disconnected signal.
        m_controller->DisconnectFromServer();
        QCOMPARE(disconnected.count(), 0);
        QTRY_COMPARE(disconnected.count(), 1);
        QVERIFY(!m_controller->IsConnected());
        if (reportsEnd)
            QCOMPARE(m_service->stopRequests, 1);
        QCOMPARE(connected.count(), 1);
    }

    void authFailureStopsOpenVpn()
    {
        Create(FakeManagementServer::AuthFailure, true);
        QSignalSpy disconnected(m_controller.get(), &OpenVpnGeneric::Disconnected);
        Connect(QStringLiteral("wrong"));
        QVERIFY(disconnected.wait());
        QVERIFY(m_service->stopRequests >= 1);
        QVERIFY(m_controller->ServerReachable());
        QVERIFY(m_controller->ServiceOk());
        QVERIFY(!m_controller->IsConnected());
        QTest::qWait(0);
        QCOMPARE(disconnected.count(), 1); // the closing socket that follows is not a second drop
    }

    void tlsErrorEndsTheAttemptWithoutReleasingTheNextHold()
    {
        Create(FakeManagementServer::TlsError, false);
        QSignalSpy disconnected(m_controller.get(), &OpenVpnGeneric::Disconnected);
        m_server->sendOnStop = false; // OpenVPN in hold just closes when it ends
        Connect();
        QVERIFY(disconnected.wait());
        QCOMPARE(m_server->received.count("hold release"), 1);
        QVERIFY(!m_controller->ServerReachable());
        QVERIFY(m_service->stopRequests >= 1);
    }

    void lostTunnelEndsOpenVpnInsteadOfRetrying()
    {
        Create(FakeManagementServer::Success, false);
        QSignalSpy disconnected(m_controller.get(), &OpenVpnGeneric::Disconnected);
        QVERIFY(ConnectAndWait());
        // The server stopped answering: OpenVPN restarts itself and holds again.
        m_server->Send(">STATE:1796580790,RECONNECTING,ping-restart,,,,,\r\n"
                       ">HOLD:Waiting for hold release:16\r\n");
        QVERIFY(disconnected.wait());
        QCOMPARE(m_server->received.count("hold release"), 1);
        QVERIFY(m_service->stopRequests >= 1);
        QVERIFY(!m_controller->IsConnected());
        // Dropped by the server, not refused by it.
        QVERIFY(m_controller->ServerReachable());
        QVERIFY(m_controller->ServiceOk());
    }

    void socketErrorsBeforeTheHoldReleaseAreIgnored()
    {
        Create(FakeManagementServer::Success, false);
        const quint16 refusingPort = m_server->Port();
        m_server.reset(); // nothing listens there now
        m_controller->SetManagementPort(refusingPort);
        QSignalSpy disconnected(m_controller.get(), &OpenVpnGeneric::Disconnected);
        LogCapture log;
        Connect();
        QTRY_COMPARE(Count(log, QStringLiteral("The connection was refused")), 1);
        QTest::qWait(50);
        QCOMPARE(disconnected.count(), 0);
        QVERIFY(m_controller->IsConnecting());
    }

    void closedSocketAfterTheHoldReleaseIsADrop()
    {
        Create(FakeManagementServer::Success, false);
        QSignalSpy disconnected(m_controller.get(), &OpenVpnGeneric::Disconnected);
        QVERIFY(ConnectAndWait());
        m_server->End(false);
        QVERIFY(disconnected.wait());
        QVERIFY(!m_controller->IsConnected());
        QVERIFY(!m_controller->IsManagementActive());
    }

    void serviceFailuresReportServiceProblem_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("acceptStart");
        QTest::addColumn<int>("starts");
        QTest::newRow("not installed") << false << true << 0;
        QTest::newRow("start refused") << true << false << 1;
        QTest::newRow("never running") << true << true << 1;
    }
    void serviceFailuresReportServiceProblem()
    {
        QFETCH(bool, installed);
        QFETCH(bool, acceptStart);
        QFETCH(int, starts);
        Create(FakeManagementServer::Success, false);
        m_service->installed = installed;
        m_service->acceptStart = acceptStart;
        m_service->runsAfterStart = false;
        QSignalSpy disconnected(m_controller.get(), &OpenVpnGeneric::Disconnected);
        LogCapture log;
        Connect();
        QVERIFY(disconnected.wait());
        QVERIFY(!m_controller->ServiceOk());
        QCOMPARE(m_service->starts, starts);
        QCOMPARE(m_server->connections, 0);
        if (installed && acceptStart)
            QCOMPARE(Count(log, QStringLiteral("still not running")),
                     m_controller->Timings().serviceCheckLimit - 1);
    }

    void staleOpenVpnIsStoppedBeforeTheStart()
    {
        Create(FakeManagementServer::Success, false);
        m_service->running = true;
        m_server->sendOnStop = false;
        LogCapture log;
        QVERIFY(ConnectAndWait());
        QCOMPARE(m_service->stopRequests, 1);
        QCOMPARE(m_service->starts, 1);
        QCOMPARE(Count(log, QStringLiteral("OpenVPNService is already running. Trying to stop it.")), 1);
    }

    void disconnectWhileStartingDoesNotWaitOrStartLater()
    {
        Create(FakeManagementServer::Success, false);
        QSignalSpy disconnected(m_controller.get(), &OpenVpnGeneric::Disconnected);
        Connect();
        QVERIFY(m_controller->IsServiceCheckRunning());
        m_controller->DisconnectFromServer();
        QCOMPARE(m_service->stopRequests, 1);
        QTest::qWait(100);
        QCOMPARE(m_server->connections, 0);
        QCOMPARE(disconnected.count(), 0);
    }

    void disconnectOnExitWhileIdleLeavesTheServiceAlone()
    {
        Create(FakeManagementServer::Success, false);
        QSignalSpy onExit(m_controller.get(), &OpenVpnGeneric::DisconnectedOnExit);
        m_controller->DisconnectOnExit();
        QCOMPARE(onExit.count(), 1);
        QCOMPARE(m_service->stopRequests, 0);
    }

    void pointToPointReportsItsOwnSignals()
    {
        Create(FakeManagementServer::Success, false);
        QSignalSpy connected(m_controller.get(), &OpenVpnGeneric::Connected);
        QSignalSpy connectedPtP(m_controller.get(), &OpenVpnGeneric::ConnectedPtP);
        QSignalSpy disconnectedPtP(m_controller.get(), &OpenVpnGeneric::DisconnectedPtP);
        m_controller->ConnectPtPServer();
        QVERIFY(connectedPtP.wait());
        QVERIFY(m_server->received.contains("username \"Auth\" \"7C2A41E8-5D93-4B06-9F1E-3A8B6D20C457\"\n"));
        m_controller->DisconnectPtPServer();
        QTRY_COMPARE(disconnectedPtP.count(), 1);
        QCOMPARE(connected.count(), 0);
    }

    void changeIpSendsKeyAndTunnelAddress()
    {
        Create(FakeManagementServer::Success, false);
        QTcpServer listener;
        QVERIFY(listener.listen(QHostAddress(QStringLiteral("127.0.12.1")), 0));
        m_controller->SetChangeIpPort(listener.serverPort());
        QSignalSpy sent(m_controller.get(), &OpenVpnGeneric::ChangeIpMessageSent);
        QSignalSpy failed(m_controller.get(), &OpenVpnGeneric::ChangeIpMessageError);
        QVERIFY(ConnectAndWait(QStringLiteral("MixedKey")));

        LogCapture log;
        m_controller->ChangeIp();
        QVERIFY(sent.wait());
        QTRY_VERIFY(listener.hasPendingConnections());
        QTcpSocket* peer = listener.nextPendingConnection();
        QByteArray message;
        QTRY_VERIFY((message += peer->readAll()).endsWith('\n'));
        QCOMPARE(message, QByteArray("MixedKey_127.0.13.22\n"));
        QVERIFY(!log.All().contains(QLatin1String("MixedKey")));

        listener.close();
        m_controller->ChangeIp();
        QVERIFY(failed.wait());
        QCOMPARE(sent.count(), 1);
        QVERIFY(log.All().contains(QLatin1String("Error occurs while changing IP: ")));
    }

private:
    void Connect(const QString& key = QStringLiteral("key"))
    {
        m_controller->SetCredentials(key, key);
        m_controller->ConnectToServer(QStringLiteral("198.51.100.1"), 1194, QStringLiteral("UDP"));
    }
    bool ConnectAndWait(const QString& key = QStringLiteral("key"))
    {
        QSignalSpy connected(m_controller.get(), &OpenVpnGeneric::Connected);
        Connect(key);
        return connected.wait();
    }

    void Create(FakeManagementServer::Outcome outcome, bool split)
    {
        m_server = std::make_unique<FakeManagementServer>(outcome, split);
        auto service = std::make_unique<FakeService>();
        m_service = service.get();
        m_controller = std::make_unique<OpenVpnLinux>(m_settings, *m_services, std::move(service));
        m_controller->SetCaSourceFile(m_home->Path() + QStringLiteral("/test-ca.crt"));
        m_controller->SetPtpServer(QStringLiteral("192.0.2.44"));
        m_controller->SetManagementPort(m_server->Port());
        OpenVpnTimings timings;
        timings.serviceCheckIntervalMs = 5;
        timings.serviceCheckLimit = 4;
        timings.managementConnectDelayMs = 5;
        timings.failureSignalDelayMs = 10;
        timings.disconnectWaitMs = 5000;
        timings.changeIpConnectTimeoutMs = 5000;
        m_controller->SetTimings(timings);
        connect(m_service, &FakeService::StopRequested, m_server.get(),
                [this] { m_server->End(m_server->sendOnStop); });
    }

    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<LinuxSystemServices> m_services;
    VPNSettings m_settings;
    std::unique_ptr<FakeManagementServer> m_server;
    FakeService* m_service = nullptr;
    std::unique_ptr<OpenVpnLinux> m_controller;
};

QTEST_GUILESS_MAIN(TestOpenVpnLinux)
#include "testopenvpnlinux.moc"
