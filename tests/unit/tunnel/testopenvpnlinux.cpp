#include "fakeopenvpn.h"
#include "linux/linuxsystemservices.h"
#include "linux/openvpnlinux.h"
#include "logcapture.h"
#include "settings/vpnsettings.h"
#include "temphome.h"
#include "tunnel/openvpnmgmt.h"

#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

namespace {

using Fake = FakeOpenVpn;
constexpr int DisconnectWaitMs = 200;

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

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
        Create(Fake::Success);
    }
    void cleanup()
    {
        m_controller.reset();
        m_services.reset();
        m_home.reset();
    }

    void designedTimingsAreTheDefaults()
    {
        const OpenVpnTimings t;
        QCOMPARE(QList<int>({t.serviceCheckIntervalMs, t.serviceCheckLimit, t.managementConnectDelayMs,
                             t.failureSignalDelayMs, t.disconnectWaitMs, t.changeIpConnectTimeoutMs}),
                 QList<int>({1000, 30, 1000, 2000, 15000, 30000}));
        QCOMPARE(OpenVpnMgmt::DefaultPort, quint16(52025));
    }

    // A disconnect returns at once and ends in exactly one disconnected signal (and an exit's one
    // DisconnectedOnExit after it): when OpenVPN reports its end, or when the deadline passes.
    void connectsAndDisconnects_data()
    {
        QTest::addColumn<bool>("ptp");
        QTest::addColumn<bool>("onExit");
        QTest::addColumn<int>("onStop");
        QTest::newRow("end reported") << false << false << int(Fake::ReportsEnd);
        QTest::newRow("end reported, exit") << false << true << int(Fake::ReportsEnd);
        QTest::newRow("point-to-point") << true << false << int(Fake::ReportsEnd);
        QTest::newRow("closed without a report, exit") << false << true << int(Fake::ClosesOnly);
        QTest::newRow("hung: the deadline passes") << false << false << int(Fake::Hangs);
        QTest::newRow("hung, exit") << false << true << int(Fake::Hangs);
    }
    void connectsAndDisconnects()
    {
        QFETCH(bool, ptp);
        QFETCH(bool, onExit);
        QFETCH(int, onStop);
        m_fake->onStop = Fake::StopAnswer(onStop);
        OpenVpnGeneric* tunnel = m_controller.get();
        QSignalSpy connected(tunnel, ptp ? &OpenVpnGeneric::ConnectedPtP : &OpenVpnGeneric::Connected);
        QSignalSpy otherKind(tunnel, ptp ? &OpenVpnGeneric::Connected : &OpenVpnGeneric::ConnectedPtP);
        if (ptp)
            m_controller->ConnectPtPServer();
        else
            Connect();
        QVERIFY(connected.wait());
        const QByteArray key = ptp ? "7C2A41E8-5D93-4B06-9F1E-3A8B6D20C457" : "KEY";
        QCOMPARE(m_fake->received,
                 "state on\nhold release\nusername \"Auth\" \"" + key + "\"\npassword \"Auth\" \"" + key
                     + "\"\n");
        QCOMPARE(m_controller->InternalServerIp(), QStringLiteral("127.0.13.22"));
        QCOMPARE(m_controller->FirstIpInRange(), QStringLiteral("127.0.12.1"));
        QVERIFY(QFile::exists(m_home->ConfigPath(QStringLiteral("tarnwick.crt"))));

        QStringList ends;
        connect(tunnel, ptp ? &OpenVpnGeneric::DisconnectedPtP : &OpenVpnGeneric::Disconnected, this,
                [&ends] { ends << QStringLiteral("down"); });
        connect(tunnel, &OpenVpnGeneric::DisconnectedOnExit, this,
                [&ends] { ends << QStringLiteral("exit"); });
        if (onExit) {
            m_controller->DisconnectOnExit();
            m_controller->DisconnectOnExit(); // joins the exit under way
        } else if (ptp) {
            m_controller->DisconnectPtPServer();
        } else {
            m_controller->DisconnectFromServer();
        }
        QVERIFY(ends.isEmpty());
        QCOMPARE(m_fake->stopRequests, 1);
        const QStringList expected = onExit ? QStringList {QStringLiteral("down"), QStringLiteral("exit")}
                                            : QStringList {QStringLiteral("down")};
        QTRY_COMPARE(ends, expected);
        QTest::qWait(DisconnectWaitMs + 50); // neither the deadline nor the closing socket adds an end
        QCOMPARE(ends, expected);
        QVERIFY(!m_controller->IsConnected());
        QVERIFY(!m_controller->Management()->IsConnected());
        QCOMPARE(otherKind.count(), 0);
    }

    // The new start also waits for the old OpenVPN's stop, as for one left behind by a crash.
    void newAttemptStopsTheOldOpenVpnAndCancelsTheDeadline()
    {
        m_fake->onStop = Fake::Hangs;
        QVERIFY(ConnectAndWait());
        QSignalSpy disconnected(m_controller.get(), &OpenVpnGeneric::Disconnected);
        m_controller->DisconnectFromServer();
        QVERIFY(ConnectAndWait());
        QCOMPARE(m_fake->stopRequests, 2);
        QCOMPARE(m_fake->starts, 2);
        QTest::qWait(DisconnectWaitMs + 50);
        QCOMPARE(disconnected.count(), 0);
        QVERIFY(m_controller->IsConnected());
    }

    // Without a tunnel there is nothing to wait for: an exit completes within the call, and a
    // start under way is cancelled without a disconnected signal. A management connection that
    // fails before the hold release is no end either.
    void endsWithoutATunnel_data()
    {
        QTest::addColumn<int>("phase");
        QTest::addColumn<bool>("onExit");
        QTest::addColumn<int>("stops");
        QTest::newRow("idle, exit") << 0 << true << 0;
        QTest::newRow("service starting") << 1 << false << 1;
        QTest::newRow("management not yet connected, exit") << 2 << true << 1;
        QTest::newRow("management refused, exit") << 3 << true << 1;
    }
    void endsWithoutATunnel()
    {
        QFETCH(int, phase);
        QFETCH(bool, onExit);
        QFETCH(int, stops);
        Create(Fake::Success, 150);
        QSignalSpy disconnected(m_controller.get(), &OpenVpnGeneric::Disconnected);
        QSignalSpy exited(m_controller.get(), &OpenVpnGeneric::DisconnectedOnExit);
        QSignalSpy lines(m_controller->Management(), &OpenVpnMgmt::MessageReceived);
        if (phase == 3)
            m_fake->StopListening();
        if (phase > 0)
            Connect();
        if (phase == 1)
            QVERIFY(m_controller->IsServiceCheckRunning());
        if (phase >= 2)
            QTRY_VERIFY(m_controller->IsConnecting());
        if (phase == 3)
            QTRY_COMPARE(lines.count(), 1); // "Socket error"
        if (onExit)
            m_controller->DisconnectOnExit();
        else
            m_controller->DisconnectFromServer();
        QCOMPARE(exited.count(), onExit ? 1 : 0);
        QCOMPARE(m_fake->stopRequests, stops);
        QTest::qWait(200);
        QCOMPARE(m_fake->connections, 0);
        QCOMPARE(disconnected.count(), 0);
        QCOMPARE(exited.count(), onExit ? 1 : 0);
    }

    // Each ends the attempt or the tunnel once, with OpenVPN stopped and the hold it offers
    // afterwards not released.
    void endsOfAnAttempt_data()
    {
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QByteArray>("afterConnect");
        QTest::addColumn<bool>("reachable");
        QTest::newRow("auth-failure") << int(Fake::AuthFailure) << QByteArray() << true;
        QTest::newRow("tls-error") << int(Fake::TlsError) << QByteArray() << false;
        QTest::newRow("tunnel lost: OpenVPN restarts itself")
            << int(Fake::Success)
            << QByteArray(">STATE:1796580790,RECONNECTING,ping-restart,,,,,\r\n>HOLD:Waiting for hold "
                          "release:16\r\n")
            << true;
        QTest::newRow("management closed after the hold release")
            << int(Fake::Success) << QByteArray("close") << true;
    }
    void endsOfAnAttempt()
    {
        QFETCH(int, outcome);
        QFETCH(QByteArray, afterConnect);
        QFETCH(bool, reachable);
        Create(Fake::Outcome(outcome));
        m_fake->onStop = Fake::ClosesOnly;
        QSignalSpy disconnected(m_controller.get(), &OpenVpnGeneric::Disconnected);
        if (outcome == Fake::Success) {
            QVERIFY(ConnectAndWait());
            if (afterConnect == "close")
                m_fake->Close();
            else
                m_fake->Send(afterConnect);
        } else {
            Connect();
        }
        QVERIFY(disconnected.wait());
        QTest::qWait(50);
        QCOMPARE(disconnected.count(), 1);
        QCOMPARE(m_fake->received.count("hold release"), 1);
        QVERIFY(m_fake->stopRequests >= 1);
        QVERIFY(!m_controller->IsConnected());
        QVERIFY(!m_controller->IsManagementActive());
        QCOMPARE(m_controller->ServerReachable(), reachable);
        QVERIFY(m_controller->ServiceOk());
    }

    // Each ends the attempt as a service problem, without a management connection.
    void startFailuresAreServiceProblems_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("acceptStart");
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("configPath");
        QTest::addColumn<int>("starts");
        const QString server = QStringLiteral("198.51.100.1");
        QTest::newRow("not installed") << false << true << server << QString() << 0;
        QTest::newRow("start refused") << true << false << server << QString() << 1;
        QTest::newRow("never running") << true << true << server << QString() << 1;
        QTest::newRow("refused server") << true << true << "10.1.2.3\nup /bin/sh" << QString() << 0;
        QTest::newRow("unwritable configuration")
            << true << true << server << "/proc/norvane-none/conn.ovpn" << 0;
    }
    void startFailuresAreServiceProblems()
    {
        QFETCH(bool, installed);
        QFETCH(bool, acceptStart);
        QFETCH(QString, server);
        QFETCH(QString, configPath);
        QFETCH(int, starts);
        m_fake->installed = installed;
        m_fake->acceptStart = acceptStart;
        m_fake->runsAfterStart = false;
        if (!configPath.isEmpty())
            m_controller->SetConfigFilePath(configPath);
        QSignalSpy disconnected(m_controller.get(), &OpenVpnGeneric::Disconnected);
        m_controller->ConnectToServer(server, 1194, QStringLiteral("UDP"));
        QVERIFY(disconnected.wait());
        QVERIFY(!m_controller->ServiceOk());
        QCOMPARE(m_fake->starts, starts);
        QCOMPARE(m_fake->connections, 0);
        if (server != QLatin1String("198.51.100.1"))
            QVERIFY(!QFile::exists(m_controller->ConfigFilePath()));
    }

    void writesTheConfigurationOwnerOnly()
    {
        m_settings.SetProxy(VPNSettings::Http, QStringLiteral("10.0.0.5"), QStringLiteral("8080"));
        m_settings.SetProxyAuthentication(true, QStringLiteral("bob"), QStringLiteral("pw"));
        m_controller->ConnectToServer(QStringLiteral("10.1.2.3"), 443, QStringLiteral("TCP"));
        const QString auth = m_controller->ProxyAuthFilePath();
        const QByteArray text = ReadFile(m_controller->ConfigFilePath());
        QVERIFY(text.contains("management 127.0.0.1 " + QByteArray::number(m_fake->Port()) + '\n'));
        QVERIFY(text.contains("http-proxy 10.0.0.5 8080 \"" + auth.toUtf8() + "\" basic\n"));
        QCOMPARE(ReadFile(auth), QByteArray("bob\npw\n"));
        for (const QString& file : {m_controller->ConfigFilePath(), auth})
            QCOMPARE(QFile(file).permissions() & 0x0077, QFileDevice::Permissions());
        m_controller->DisconnectFromServer();
        QVERIFY(!QFile::exists(auth));
    }

    // The route for the mail server follows its lookup, also a failed one, and is never added for
    // point-to-point.
    void serverPortAndMailRoute_data()
    {
        QTest::addColumn<bool>("ptp");
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<int>("settingsPort");
        QTest::addColumn<QString>("mailServer");
        QTest::addColumn<QByteArray>("remote");
        QTest::newRow("tcp, option 80")
            << false << "TCP" << 80 << "192.0.2.25" << QByteArray("remote 10.1.2.3 80\n");
        QTest::newRow("tcp, option 443")
            << false << "TCP" << 443 << "192.0.2.25" << QByteArray("remote 10.1.2.3 1194\n");
        QTest::newRow("udp, option 80")
            << false << "UDP" << 80 << "192.0.2.25" << QByteArray("remote 10.1.2.3 1194\n");
        QTest::newRow("failed lookup") << false << "UDP" << 443 << "" << QByteArray("remote 10.1.2.3 1194\n");
        QTest::newRow("point-to-point")
            << true << "" << 80 << "192.0.2.25" << QByteArray("remote 192.0.2.44 443\nproto tcp-client\n");
    }
    void serverPortAndMailRoute()
    {
        QFETCH(bool, ptp);
        QFETCH(QString, protocol);
        QFETCH(int, settingsPort);
        QFETCH(QString, mailServer);
        QFETCH(QByteArray, remote);
        m_settings.tcpPort = settingsPort;
        m_settings.smtpEnabled = true;
        m_settings.smtpAddress = mailServer;
        QSignalSpy generated(m_controller.get(), &OpenVpnGeneric::ConfigGenerated);
        if (ptp)
            m_controller->ConnectPtPServer();
        else
            m_controller->ConnectToServer(QStringLiteral("10.1.2.3"), 1194, protocol);
        QCOMPARE(generated.count(), ptp ? 1 : 0);
        QVERIFY(generated.count() == 1 || generated.wait());
        const QByteArray text = ReadFile(m_controller->ConfigFilePath());
        QVERIFY(text.contains(remote));
        const bool routed = !ptp && !mailServer.isEmpty();
        QCOMPARE(text.endsWith("verb 4\nroute 192.0.2.25 255.255.255.255 net_gateway\n"), routed);
        QVERIFY(text.endsWith("verb 4\n") || routed);
    }

    void changeIpSendsKeyAndTunnelAddress()
    {
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

    void Create(Fake::Outcome outcome, int managementConnectDelayMs = 5)
    {
        auto fake = std::make_unique<Fake>(outcome);
        m_fake = fake.get();
        m_controller = std::make_unique<OpenVpnLinux>(m_settings, *m_services, std::move(fake));
        m_controller->SetCaSourceFile(m_home->Path() + QStringLiteral("/test-ca.crt"));
        m_controller->SetPtpServer(QStringLiteral("192.0.2.44"));
        m_controller->SetManagementPort(m_fake->Port());
        OpenVpnTimings timings;
        timings.serviceCheckIntervalMs = 5;
        timings.serviceCheckLimit = 4;
        timings.managementConnectDelayMs = managementConnectDelayMs;
        timings.failureSignalDelayMs = 10;
        timings.disconnectWaitMs = DisconnectWaitMs;
        timings.changeIpConnectTimeoutMs = 5000;
        m_controller->SetTimings(timings);
    }

    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<LinuxSystemServices> m_services;
    VPNSettings m_settings;
    Fake* m_fake = nullptr;
    std::unique_ptr<OpenVpnLinux> m_controller;
};

QTEST_GUILESS_MAIN(TestOpenVpnLinux)
#include "testopenvpnlinux.moc"
