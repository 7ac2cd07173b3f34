#include "fakeopenvpn.h"
#include "linux/linuxsystemservices.h"
#include "settings/vpnsettings.h"
#include "temphome.h"

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QSignalSpy>
#include <QTest>

namespace {

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

const QByteArray Head = "client\nmanagement 127.0.0.1 52025\nmanagement-query-passwords\nmanagement-hold\n";
const QByteArray Tail = "dev tun\nca tarnwick.crt\nauth-user-pass\ncomp-lzo\ncipher AES-256-CBC\n"
                        "redirect-gateway def1\nnobind\nverb 4\n";

} // namespace

class TestOpenVpnConfig final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_home = std::make_unique<TempHome>();
        m_services = std::make_unique<LinuxSystemServices>(QStringLiteral("norvane"));
        m_services->SetApplicationDirectory(m_home->Path());
        m_settings = VPNSettings();
        m_controller = std::make_unique<RecordingController>(m_settings, *m_services);
        m_controller->AddManagement();
        OpenVpnTimings timings;
        timings.failureSignalDelayMs = 10;
        m_controller->SetTimings(timings);
    }
    void cleanup()
    {
        m_controller.reset();
        m_services.reset();
        m_home.reset();
    }

    void writesTheConfigurationOfEachConnection_data()
    {
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<int>("proxyType");
        QTest::addColumn<bool>("proxyAuth");
        QTest::addColumn<QString>("proxyUser");
        QTest::addColumn<QByteArray>("middle");
        QTest::addColumn<bool>("authFileWritten");

        QTest::newRow("udp") << "UDP" << 0 << false << QString()
                             << QByteArray("remote 10.1.2.3 443\nproto udp\nkeepalive 4 16\ntun-mtu 1460\n")
                             << false;
        QTest::newRow("tcp, no proxy") << "TCP" << 0 << false << QString()
                                       << QByteArray("remote 10.1.2.3 443\nproto tcp-client\n") << false;
        QTest::newRow("lower-case udp counts as tcp")
            << "udp" << 0 << false << QString() << QByteArray("remote 10.1.2.3 443\nproto tcp-client\n")
            << false;
        QTest::newRow("udp ignores the proxy")
            << "UDP" << 1 << true << QStringLiteral("bob")
            << QByteArray("remote 10.1.2.3 443\nproto udp\nkeepalive 4 16\n"
                          "tun-mtu 1460\n")
            << false;
        QTest::newRow("http proxy with credentials")
            << "TCP" << 1 << true << QStringLiteral("bob")
            << QByteArray(
                   "remote 10.1.2.3 443\nproto tcp-client\nhttp-proxy 10.0.0.5 8080 \"@AUTH@\" basic\n")
            << true;
        QTest::newRow("https proxy, auth without user")
            << "TCP" << 2 << true << QString()
            << QByteArray("remote 10.1.2.3 443\nproto tcp-client\nhttp-proxy 10.0.0.5 8080\n") << false;
        QTest::newRow("socks never writes credentials")
            << "TCP" << 3 << true << QStringLiteral("bob")
            << QByteArray("remote 10.1.2.3 443\nproto tcp-client\nsocks-proxy 10.0.0.5 8080\n") << false;
        QTest::newRow("autodetect") << "TCP" << 4 << true << QStringLiteral("bob")
                                    << QByteArray("remote 10.1.2.3 443\nproto tcp-client\nauto-proxy \n")
                                    << false;
    }
    void writesTheConfigurationOfEachConnection()
    {
        QFETCH(QString, protocol);
        QFETCH(int, proxyType);
        QFETCH(bool, proxyAuth);
        QFETCH(QString, proxyUser);
        QFETCH(QByteArray, middle);
        QFETCH(bool, authFileWritten);

        // A directory name with a quote, a backslash and a blank shows the path's escaping.
        const QString directory = m_home->Path() + QStringLiteral("/odd \"dir\\x");
        QVERIFY(QDir().mkpath(directory));
        m_controller->SetConfigFilePath(directory + QStringLiteral("/conn.ovpn"));
        m_settings.SetProxy(static_cast<VPNSettings::ProxyType>(proxyType), QStringLiteral("10.0.0.5"),
                            QStringLiteral("8080"));
        m_settings.SetProxyAuthentication(proxyAuth, proxyUser, QStringLiteral("pa\"ss"));
        QSignalSpy generated(m_controller.get(), &OpenVpnGeneric::ConfigGenerated);

        m_controller->ConnectToServer(QStringLiteral("10.1.2.3"), 443, protocol);

        QCOMPARE(generated.count(), 1);
        QCOMPARE(m_controller->connects, 1);
        const QByteArray escapedAuthPath = (directory + QStringLiteral("/conn.ovpn.auth"))
                                               .toUtf8()
                                               .replace("\\", "\\\\")
                                               .replace("\"", "\\\"");
        QCOMPARE(ReadFile(m_controller->ConfigFilePath()),
                 Head + middle.replace("@AUTH@", escapedAuthPath) + Tail);
        QCOMPARE(QFile(m_controller->ConfigFilePath()).permissions() & 0x0077, QFileDevice::Permissions());
        QCOMPARE(QFile::exists(m_controller->ProxyAuthFilePath()), authFileWritten);
        if (authFileWritten) {
            QCOMPARE(ReadFile(m_controller->ProxyAuthFilePath()), QByteArray("bob\npa\"ss\n"));
            QCOMPARE(QFile(m_controller->ProxyAuthFilePath()).permissions() & 0x0077,
                     QFileDevice::Permissions());
            m_controller->DisconnectFromServer();
            QVERIFY(!QFile::exists(m_controller->ProxyAuthFilePath()));
        }
    }

    void pointToPointUsesTheFixedServerAndNoMailRoutes()
    {
        m_controller->SetPtpServer(QStringLiteral("192.0.2.44"));
        m_settings.smtpEnabled = true;
        m_settings.smtpAddress = QStringLiteral("192.0.2.25");
        m_settings.tcpPort = 80;
        QSignalSpy generated(m_controller.get(), &OpenVpnGeneric::ConfigGenerated);

        m_controller->ConnectPtPServer();

        QCOMPARE(generated.count(), 1);
        QCOMPARE(ReadFile(m_controller->ConfigFilePath()),
                 Head + "remote 192.0.2.44 443\nproto tcp-client\n" + Tail);
    }

    void appendsMailRoutesAfterTheLookup()
    {
        m_settings.smtpEnabled = true;
        m_settings.smtpAddress = QStringLiteral("192.0.2.25");
        QSignalSpy generated(m_controller.get(), &OpenVpnGeneric::ConfigGenerated);

        m_controller->ConnectToServer(QStringLiteral("10.1.2.3"), 1194, QStringLiteral("UDP"));
        QCOMPARE(generated.count(), 0); // the lookup runs first
        QVERIFY(generated.wait());
        const QByteArray base = ReadFile(m_controller->ConfigFilePath());
        QVERIFY(base.endsWith("verb 4\nroute 192.0.2.25 255.255.255.255 net_gateway\n"));

        // Two addresses give two routes in their order; IPv6 answers get none.
        QHostInfo twoAddresses;
        twoAddresses.setAddresses({QHostAddress(QStringLiteral("198.51.100.7")),
                                   QHostAddress(QStringLiteral("::1")),
                                   QHostAddress(QStringLiteral("198.51.100.8"))});
        m_controller->SetRoutesToSMTP(twoAddresses);
        QCOMPARE(generated.count(), 2);
        QCOMPARE(ReadFile(m_controller->ConfigFilePath()),
                 base
                     + "route 198.51.100.7 255.255.255.255 net_gateway\n"
                       "route 198.51.100.8 255.255.255.255 net_gateway\n");

        QHostInfo failed;
        failed.setError(QHostInfo::HostNotFound);
        failed.setErrorString(QStringLiteral("Host not found"));
        const QByteArray before = ReadFile(m_controller->ConfigFilePath());
        m_controller->SetRoutesToSMTP(failed);
        QCOMPARE(generated.count(), 3);
        QCOMPARE(ReadFile(m_controller->ConfigFilePath()), before);
    }

    void tcpPortEightyFromTheSettingsWins_data()
    {
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<int>("settingsPort");
        QTest::addColumn<int>("expectedPort");
        QTest::newRow("tcp, option 80") << "TCP" << 80 << 80;
        QTest::newRow("tcp, option 443") << "TCP" << 443 << 1194;
        QTest::newRow("udp, option 80") << "UDP" << 80 << 1194;
    }
    void tcpPortEightyFromTheSettingsWins()
    {
        QFETCH(QString, protocol);
        QFETCH(int, settingsPort);
        QFETCH(int, expectedPort);
        m_settings.tcpPort = settingsPort;
        m_controller->ConnectToServer(QStringLiteral("10.1.2.3"), 1194, protocol);
        QCOMPARE(m_controller->Port(), expectedPort);
        QVERIFY(ReadFile(m_controller->ConfigFilePath())
                    .contains("remote 10.1.2.3 " + QByteArray::number(expectedPort)));
    }

    void refusesSettingsThatWouldAddOptions_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("proxyAddress");
        QTest::addColumn<QString>("proxyUser");
        QTest::newRow("server with a line break") << "10.1.2.3\nup /bin/sh"
                                                  << "10.0.0.5"
                                                  << "bob";
        QTest::newRow("proxy address with a blank") << "10.1.2.3"
                                                    << "10.0.0.5 9 x"
                                                    << "bob";
        QTest::newRow("proxy user with a line break") << "10.1.2.3"
                                                      << "10.0.0.5"
                                                      << "bob\nx";
    }
    void refusesSettingsThatWouldAddOptions()
    {
        QFETCH(QString, server);
        QFETCH(QString, proxyAddress);
        QFETCH(QString, proxyUser);
        m_settings.SetProxy(VPNSettings::Http, proxyAddress, QStringLiteral("8080"));
        m_settings.SetProxyAuthentication(true, proxyUser, QStringLiteral("pw"));
        QSignalSpy generated(m_controller.get(), &OpenVpnGeneric::ConfigGenerated);
        QSignalSpy disconnected(m_controller.get(), &OpenVpnGeneric::Disconnected);

        m_controller->ConnectToServer(server, 443, QStringLiteral("TCP"));

        QVERIFY(disconnected.wait());
        QCOMPARE(generated.count(), 0);
        QCOMPARE(m_controller->connects, 0);
        QVERIFY(!m_controller->ServiceOk());
        QVERIFY(!QFile::exists(m_controller->ConfigFilePath()));
    }

    void unwritableConfigurationEndsTheAttempt()
    {
        m_controller->SetConfigFilePath(QStringLiteral("/proc/norvane-no-such-dir/conn.ovpn"));
        QSignalSpy disconnected(m_controller.get(), &OpenVpnGeneric::Disconnected);
        m_controller->ConnectToServer(QStringLiteral("10.1.2.3"), 443, QStringLiteral("UDP"));
        QVERIFY(disconnected.wait());
        QCOMPARE(m_controller->connects, 0);
        QVERIFY(!m_controller->ServiceOk());
    }

private:
    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<LinuxSystemServices> m_services;
    VPNSettings m_settings;
    std::unique_ptr<RecordingController> m_controller;
};

QTEST_GUILESS_MAIN(TestOpenVpnConfig)
#include "testopenvpnconfig.moc"
