#include "../worldwindow.h"
#include "logcapture.h"
#include "testfiles.h"

#include <QProcess>
#include <QSignalSpy>

// What the options dialog sets, end to end in the service world: the API and the tunnel through
// an HTTP proxy with authentication and through a SOCKS proxy (both in the service namespace, with
// direct traffic to the service dropped), and the point-to-point connection that comes up before
// the start-up chain and goes down on exit. The mail server's route is a line of the configuration
// (TestOpenVpnLinux) that OpenVPN applies.
class TestOptionsWorld final : public QObject
{
    Q_OBJECT

private:
    static QString WorldScript()
    {
        return qEnvironmentVariable("NORVANE_SOURCE_DIR") + QStringLiteral("/tools/world/world.sh");
    }

    // Runs a command in the service namespace and leaves it running; stopped by the caller.
    static void StartInService(QProcess& process, const QStringList& command, const QString& log)
    {
        process.setStandardOutputFile(log);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QStringLiteral("bash"),
                      QStringList {WorldScript(), QStringLiteral("exec-service"), E2e::WorldDir()} + command);
    }
private slots:
    void initTestCase() { E2E_SKIP_OUTSIDE_THE_WORLD(); }

    void optionsEndToEnd_data()
    {
        QTest::addColumn<QString>("option");
        QTest::newRow("HTTP proxy with authentication") << QStringLiteral("http");
        QTest::newRow("SOCKS proxy") << QStringLiteral("socks");
        QTest::newRow("point-to-point before the start-up chain") << QStringLiteral("ptp");
    }
    void optionsEndToEnd()
    {
        QFETCH(QString, option);
        const QString world = E2e::WorldDir();
        E2e::WindowSetup setup;
        QProcess proxy;
        const QString proxyLog = world + QStringLiteral("/proxy-") + option + QStringLiteral(".log");
        QFile::remove(proxyLog);
        if (option == QLatin1String("http")) {
            const QString config = world + QStringLiteral("/tinyproxy.conf");
            QFile file(config);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(
                "Port 8888\nListen 192.0.2.1\nTimeout 60\nUser nobody\nGroup nogroup\nLogLevel Connect\n"
                "BasicAuth norvane pr0xy-pass\nConnectPort 443\nAllow 192.0.2.0/24\nMaxClients 20\n");
            file.close();
            StartInService(proxy,
                           {QStringLiteral("tinyproxy"), QStringLiteral("-d"), QStringLiteral("-c"), config},
                           proxyLog);
            setup.settings = [](VPNSettings& settings) {
                // TCP servers from the start: over UDP no proxy applies.
                settings.tcpServersEnabled = settings.tcpOnStartup = true;
                settings.SetProxy(VPNSettings::Http, QStringLiteral("192.0.2.1"), QStringLiteral("8888"));
                settings.SetProxyAuthentication(true, QStringLiteral("norvane"),
                                                QStringLiteral("pr0xy-pass"));
            };
        } else if (option == QLatin1String("socks")) {
            StartInService(proxy,
                           {QStringLiteral("microsocks"), QStringLiteral("-i"), QStringLiteral("192.0.2.1"),
                            QStringLiteral("-p"), QStringLiteral("1080")},
                           proxyLog);
            setup.settings = [](VPNSettings& settings) {
                settings.tcpServersEnabled = settings.tcpOnStartup = true;
                settings.SetProxy(VPNSettings::Socks, QStringLiteral("192.0.2.1"), QStringLiteral("1080"));
            };
        } else {
            setup.settings = [](VPNSettings& settings) { settings.pointToPointEnabled = true; };
        }
        const bool proxied = proxy.program() == QLatin1String("bash");
        if (proxied) {
            QVERIFY(proxy.waitForStarted());
            QTest::qWait(1000);
            QVERIFY2(proxy.state() == QProcess::Running, ReadFile(proxyLog).constData());
            // Only the proxy and the tunnel reach the service from here on.
            QProcess nft;
            nft.start(QStringLiteral("nft"), {QStringLiteral("-f"), QStringLiteral("-")});
            nft.write("table inet norvane_e2e {\n chain out {\n  type filter hook output priority 0;\n"
                      "  oifname \"vc*\" ip daddr { 203.0.113.10, 198.51.100.1 } drop\n }\n}\n");
            nft.closeWriteChannel();
            QVERIFY(nft.waitForFinished(10000) && nft.exitCode() == 0);
        }

        LogCapture log;
        E2e::WorldWindow window;
        window.Open(setup);
        if (QTest::currentTestFailed())
            return;
        ConnectionController& connection = window.Context().Connection();

        if (option == QLatin1String("ptp")) {
            // The point-to-point tunnel came up first and stays up under the start-up chain.
            const QStringList messages = log.All().split(QLatin1Char('\n'));
            QVERIFY(messages.indexOf(QStringLiteral("Connecting to PtP server.")) >= 0);
            QVERIFY(messages.indexOf(QStringLiteral("Connecting to PtP server."))
                    < messages.indexOf(QStringLiteral("Get local ip.")));
            QCOMPARE(E2e::OpenVpnProcesses(), 1);
            QSignalSpy finished(&connection, &ConnectionController::ShutdownFinished);
            connection.Shutdown();
            QVERIFY(finished.wait(30000));
            QTRY_COMPARE_WITH_TIMEOUT(E2e::OpenVpnProcesses(), 0, 15000);
            window.Close();
            return;
        }

        connection.Connect();
        QTRY_VERIFY2_WITH_TIMEOUT(
            window.State() == QLatin1String("ConnectedState"),
            ReadFile(QFileInfo(window.SettingsPath()).absolutePath() + QStringLiteral("/norvane_openvpn.log"))
                .right(900)
                .constData(),
            60000);
        connection.Disconnect();
        QTRY_COMPARE_WITH_TIMEOUT(window.State(), QStringLiteral("ServerSelectState"), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(E2e::OpenVpnProcesses(), 0, 15000);
        window.Close();

        QProcess::execute(QStringLiteral("nft"),
                          {QStringLiteral("delete"), QStringLiteral("table"), QStringLiteral("inet"),
                           QStringLiteral("norvane_e2e")});
        proxy.terminate();
        proxy.waitForFinished(5000);
        // The proxy carried the API requests and the tunnel.
        const QByteArray proxyText = ReadFile(proxyLog);
        QVERIFY2(proxyText.contains("203.0.113.10") && proxyText.contains("198.51.100.1"),
                 proxyText.constData());
    }
};

QTEST_MAIN(TestOptionsWorld)
#include "testoptionsworld.moc"
