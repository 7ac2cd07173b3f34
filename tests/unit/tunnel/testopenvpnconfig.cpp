#include "settings/vpnsettings.h"
#include "tunnel/openvpnconfig.h"

#include <QTest>

Q_DECLARE_METATYPE(OpenVpnConfig::Endpoint)
Q_DECLARE_METATYPE(VPNSettings)

namespace {

const QByteArray Management = "management 127.0.0.1 52025\nmanagement-query-passwords\nmanagement-hold\n";
const QByteArray Tail = "dev tun\nca tarnwick.crt\nauth-user-pass\ncomp-lzo\ncipher AES-256-CBC\n"
                        "redirect-gateway def1\nnobind\nverb 4\n";
const QByteArray Udp = Management + "remote 10.1.2.3 443\nproto udp\nkeepalive 4 16\ntun-mtu 1460\n";
const QByteArray Tcp = Management + "remote 10.1.2.3 443\nproto tcp-client\n";

// The connection to server:443 with management, its proxy credentials file at an awkward path.
OpenVpnConfig::Endpoint At(const char* protocol, const char* server = "10.1.2.3")
{
    const QString authFile = QStringLiteral("/odd \"dir\\x/conn.ovpn.auth");
    return {QString::fromLatin1(server), 443, QString::fromLatin1(protocol), quint16(52025), authFile, false};
}

// A proxy at address:8080 that authenticates as user (not at all when empty) with password pa"ss.
VPNSettings Proxy(VPNSettings::ProxyType type, const char* user = "bob", const char* address = "10.0.0.5")
{
    VPNSettings settings;
    settings.SetProxy(type, QString::fromLatin1(address), QStringLiteral("8080"));
    settings.SetProxyAuthentication(true, QString::fromLatin1(user), QStringLiteral("pa\"ss"));
    return settings;
}

} // namespace

// The configuration text alone; writing it is the tunnel controller's part (TestOpenVpnLinux).
class TestOpenVpnConfig final : public QObject
{
    Q_OBJECT

private slots:
    void buildsTheConfiguration_data()
    {
        QTest::addColumn<OpenVpnConfig::Endpoint>("endpoint");
        QTest::addColumn<VPNSettings>("settings");
        // What comes between "client" and the fixed tail; null when the configuration is refused.
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("credentials");
        const QByteArray none;
        QTest::newRow("udp") << At("UDP") << Proxy(VPNSettings::NoProxy) << Udp << none;
        QTest::newRow("udp ignores the proxy") << At("UDP") << Proxy(VPNSettings::Http) << Udp << none;
        QTest::newRow("lower-case udp is tcp") << At("udp") << Proxy(VPNSettings::NoProxy) << Tcp << none;
        QTest::newRow("http proxy with credentials")
            << At("TCP") << Proxy(VPNSettings::Http)
            << Tcp + "http-proxy 10.0.0.5 8080 \"/odd \\\"dir\\\\x/conn.ovpn.auth\" basic\n"
            << QByteArray("bob\npa\"ss\n");
        QTest::newRow("https proxy, no user")
            << At("TCP") << Proxy(VPNSettings::Https, "") << Tcp + "http-proxy 10.0.0.5 8080\n"
            << none;
        QTest::newRow("socks has no credentials")
            << At("TCP") << Proxy(VPNSettings::Socks) << Tcp + "socks-proxy 10.0.0.5 8080\n"
            << none;
        QTest::newRow("autodetect") << At("TCP") << Proxy(VPNSettings::Autodetect) << Tcp + "auto-proxy \n"
                                    << none;
        OpenVpnConfig::Endpoint bare = At("UDP");
        bare.managementPort.reset();
        bare.routeMethodExe = true;
        QTest::newRow("no management, route-method exe")
            << bare << Proxy(VPNSettings::NoProxy)
            << QByteArray("remote 10.1.2.3 443\nproto udp\nkeepalive 4 16\ntun-mtu 1460\nroute-method exe\n")
            << none;
        QTest::newRow("server with a line break")
            << At("UDP", "10.1.2.3\nup /bin/sh") << Proxy(VPNSettings::NoProxy) << QByteArray() << none;
        QTest::newRow("no server") << At("UDP", "") << Proxy(VPNSettings::NoProxy) << QByteArray() << none;
        QTest::newRow("proxy address with a blank")
            << At("TCP") << Proxy(VPNSettings::Socks, "bob", "10.0.0.5 9 x") << QByteArray() << none;
        QTest::newRow("proxy user with a line break")
            << At("TCP") << Proxy(VPNSettings::Http, "bob\nx") << QByteArray() << none;
    }
    void buildsTheConfiguration()
    {
        QFETCH(OpenVpnConfig::Endpoint, endpoint);
        QFETCH(VPNSettings, settings);
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, credentials);
        const OpenVpnConfig config = OpenVpnConfig::Build(settings, endpoint);
        QCOMPARE(config.valid, !text.isNull());
        if (config.valid) {
            QCOMPARE(config.text, "client\n" + text + Tail);
            QCOMPARE(config.proxyCredentials, credentials);
        }
    }

    void routesMailOutsideTheTunnelOverIpv4Only()
    {
        const QList<QHostAddress> addresses {QHostAddress(QStringLiteral("198.51.100.7")),
                                             QHostAddress(QStringLiteral("::1")),
                                             QHostAddress(QStringLiteral("198.51.100.8"))};
        QCOMPARE(OpenVpnConfig::MailRouteLines(addresses),
                 QByteArray("route 198.51.100.7 255.255.255.255 net_gateway\n"
                            "route 198.51.100.8 255.255.255.255 net_gateway\n"));
    }
};
QTEST_GUILESS_MAIN(TestOpenVpnConfig)
#include "testopenvpnconfig.moc"
