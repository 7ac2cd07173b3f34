#include "settings/vpnsettings.h"
#include "tunnel/managementline.h"
#include "tunnel/managementlinebuffer.h"
#include "tunnel/openvpnconfig.h"
#include "tunnel/openvpnmgmt.h"

#include <QTest>

using Kind = ManagementLine::Kind;
Q_DECLARE_METATYPE(ManagementLine::Kind)
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

// What the tunnel writes for OpenVPN and reads from it, as text: the configuration (writing it is
// the controller's part, TestOpenVpnLinux), the credential commands and the management lines.
class TestOpenVpnText final : public QObject
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
        // clang-format off
        QTest::newRow("udp") << At("UDP") << Proxy(VPNSettings::NoProxy) << Udp << none;
        QTest::newRow("udp ignores the proxy") << At("UDP") << Proxy(VPNSettings::Http) << Udp << none;
        QTest::newRow("lower-case udp is tcp") << At("udp") << Proxy(VPNSettings::NoProxy) << Tcp << none;
        QTest::newRow("http proxy with credentials") << At("TCP") << Proxy(VPNSettings::Http) << Tcp + "http-proxy 10.0.0.5 8080 \"/odd \\\"dir\\\\x/conn.ovpn.auth\" basic\n" << QByteArray("bob\npa\"ss\n");
        QTest::newRow("https proxy, no user") << At("TCP") << Proxy(VPNSettings::Https, "") << Tcp + "http-proxy 10.0.0.5 8080\n" << none;
        QTest::newRow("socks has no credentials") << At("TCP") << Proxy(VPNSettings::Socks) << Tcp + "socks-proxy 10.0.0.5 8080\n" << none;
        // Autodetect writes the desktop's proxy, with its own credentials; the stored ones are not for it.
        OpenVpnConfig::Endpoint desktopHttp = At("TCP");
        desktopHttp.desktopProxy = QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("10.0.0.9"), 3128, QStringLiteral("ann"), QStringLiteral("pw"));
        QTest::newRow("autodetect, desktop http proxy") << desktopHttp << Proxy(VPNSettings::Autodetect) << Tcp + "http-proxy 10.0.0.9 3128 \"/odd \\\"dir\\\\x/conn.ovpn.auth\" basic\n" << QByteArray("ann\npw\n");
        OpenVpnConfig::Endpoint desktopSocks = At("TCP");
        desktopSocks.desktopProxy = QNetworkProxy(QNetworkProxy::Socks5Proxy, QStringLiteral("10.0.0.9"), 1080);
        QTest::newRow("autodetect, desktop socks proxy") << desktopSocks << Proxy(VPNSettings::Autodetect) << Tcp + "socks-proxy 10.0.0.9 1080\n" << none;
        QTest::newRow("autodetect, no desktop proxy") << At("TCP") << Proxy(VPNSettings::Autodetect) << Tcp << none;
        OpenVpnConfig::Endpoint bare = At("UDP");
        bare.managementPort.reset();
        bare.routeMethodExe = true;
        QTest::newRow("no management, route-method exe") << bare << Proxy(VPNSettings::NoProxy) << QByteArray("remote 10.1.2.3 443\nproto udp\nkeepalive 4 16\ntun-mtu 1460\nroute-method exe\n") << none;
        QTest::newRow("server with a line break") << At("UDP", "10.1.2.3\nup /bin/sh") << Proxy(VPNSettings::NoProxy) << QByteArray() << none;
        QTest::newRow("no server") << At("UDP", "") << Proxy(VPNSettings::NoProxy) << QByteArray() << none;
        QTest::newRow("proxy address with a blank") << At("TCP") << Proxy(VPNSettings::Socks, "bob", "10.0.0.5 9 x") << QByteArray() << none;
        QTest::newRow("proxy user with a line break") << At("TCP") << Proxy(VPNSettings::Http, "bob\nx") << QByteArray() << none;
        // clang-format on
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

    // Accepted credentials go out upper-cased and quoted; a control character would end or split
    // the command line, so such a credential gives no command at all.
    void credentialCommands_data()
    {
        QTest::addColumn<QString>("credential");
        QTest::addColumn<QByteArray>("command");
        QTest::newRow("plain") << "ab12cd" << QByteArray("password \"Auth\" \"AB12CD\"\n");
        QTest::newRow("quote and backslash")
            << "a\"b\\c" << QByteArray("password \"Auth\" \"A\\\"B\\\\C\"\n");
        QTest::newRow("line feed") << "abc\nsignal SIGTERM" << QByteArray();
        QTest::newRow("carriage return") << "abc\r" << QByteArray();
        QTest::newRow("nul") << QStringLiteral("ab") + QChar(0) + QStringLiteral("c") << QByteArray();
        QTest::newRow("delete") << "ab\x7f" << QByteArray();
    }
    void credentialCommands()
    {
        QFETCH(QString, credential);
        QFETCH(QByteArray, command);
        QCOMPARE(OpenVpnMgmt::CredentialCommand("password", credential), command);
    }

    // The lines of a real OpenVPN 2.6.14 client (success, wrong password, wrong CA), then lines
    // that client did not send there. Besides its kind a line may carry the tunnel address (and
    // with it the server side of the address's /22) or the server's refusal of the credentials.
    void classifiesEachLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("carries");
        const auto row = [](const char* line, Kind kind, const char* carries = "") {
            QTest::newRow(line) << QString::fromLatin1(line) << kind << QString::fromLatin1(carries);
        };
        row(">INFO:OpenVPN Management Interface Version 5 -- type 'help' for more info", Kind::Other);
        row(">HOLD:Waiting for hold release:0", Kind::Hold);
        row("SUCCESS: hold release succeeded", Kind::Other);
        row(">PASSWORD:Need 'Auth' username/password", Kind::PasswordNeeded, "Auth");
        row("SUCCESS: 'Auth' password entered, but not yet verified", Kind::Other);
        row(">STATE:1796580774,AUTH,,,,,,", Kind::Other);
        row(">STATE:1796580774,ASSIGN_IP,,198.18.0.2,,,,", Kind::Other);
        row(">STATE:1796580774,CONNECTED,SUCCESS,198.18.0.2,198.51.100.1,1194,,", Kind::Connected,
            "198.18.0.2 198.18.0.1");
        row(">STATE:1796580774,EXITING,SIGTERM,,,,,", Kind::Exiting);
        row(">PASSWORD:Verification Failed: 'Auth'", Kind::Other);
        row(">STATE:1796580781,EXITING,auth-failure,,,,,", Kind::Exiting, "auth-failure");
        row(">STATE:1796580781,RECONNECTING,tls-error,,,,,", Kind::TlsError);
        row(">HOLD:Waiting for hold release:1", Kind::Hold);

        row(">STATE:1796580790,RECONNECTING,ping-restart,,,,,", Kind::Reconnecting);
        row(">STATE:1,CONNECTED,SUCCESS,10.8.13.22,10.0.0.1", Kind::Connected, "10.8.13.22 10.8.12.1");
        row(">STATE:1,CONNECTED,SUCCESS,10.8.255.9,1.2.3.4,1194,,", Kind::Connected, "10.8.255.9 10.8.252.1");
        row(">STATE:1,CONNECTED,SUCCESS,fd00::2,1.2.3.4,1194,,", Kind::ConnectFailed, "SUCCESS");
        row(">STATE:1,CONNECTED,SUCCESS,10.1,1.2.3.4,1194,,", Kind::ConnectFailed, "SUCCESS");
        row(">STATE:1,CONNECTED,SUCCESS,1,1.2.3.4,1194,,", Kind::ConnectFailed, "SUCCESS");
        row(">STATE:1,CONNECTED,SUCCESS,10.8.0.256,1.2.3.4,1194,,", Kind::ConnectFailed, "SUCCESS");
        row(">STATE:1,CONNECTED,SUCCESS,10.8.0.2 ,1.2.3.4,1194,,", Kind::ConnectFailed, "SUCCESS");
        row(">STATE:1,CONNECTED,SUCCESS", Kind::ConnectFailed, "SUCCESS");
        row(">STATE:1,CONNECTED,ERROR,10.8.0.2,1.2.3.4,1194,,", Kind::ConnectFailed, "ERROR");
        row(">STATE:x,CONNECTED,SUCCESS,10.8.0.2,1.2.3.4,1194,,", Kind::Other);
        row(">LOG:1,I,CONNECTED,SUCCESS,10.8.0.2", Kind::Other);
        row(">INFO:EXITING HOLD RECONNECTING tls-error", Kind::Other);
        row(">STATE:1,WAIT,EXITING,,,,,", Kind::Other);
        row(">PASSWORD:Need 'HTTP Proxy' username/password", Kind::PasswordOtherRealm, "HTTP Proxy");
        row(">PASSWORD:Need 'Authx' username/password", Kind::PasswordOtherRealm, "Authx");
        row(">PASSWORD:Need 'Auth", Kind::Other);
        row(" >PASSWORD:Need 'Auth' username/password", Kind::Other);
        row(">FATAL:Cannot open TUN/TAP dev /dev/net/tun: No such device (errno=19)", Kind::Fatal,
            "Cannot open TUN/TAP dev /dev/net/tun: No such device (errno=19)");
    }
    void classifiesEachLine()
    {
        QFETCH(QString, line);
        QFETCH(Kind, kind);
        QFETCH(QString, carries);
        const ManagementLine parsed = ManagementLine::Parse(line);
        QCOMPARE(parsed.kind, kind);
        const QString address
            = QStringList {parsed.tunnelAddress, ManagementLine::FirstAddressInRange(parsed.tunnelAddress)}
                  .join(QLatin1Char(' '))
                  .trimmed();
        QCOMPARE(parsed.authFailure ? QStringLiteral("auth-failure") : (address + parsed.text).trimmed(),
                 carries);
    }

    // Reads cut anywhere ("|" here); what comes out, lines joined with "/".
    void cutsTheStreamIntoLines_data()
    {
        QTest::addColumn<QByteArray>("reads");
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<QByteArray>("pending");
        const QByteArray longLine(ManagementLineBuffer::MaxLineLength + 1, 'x');
        // clang-format off
        QTest::newRow("CR LF and LF ends, a line across reads") << QByteArray(">HOLD:a\r\n>STA|TE:b\n>PAS") << QByteArray(">HOLD:a/>STATE:b") << QByteArray(">PAS");
        QTest::newRow("the prompt without a line end") << QByteArray("ENTER PASSWORD:") << QByteArray() << QByteArray("ENTER PASSWORD:");
        QTest::newRow("an over-long line is dropped up to its end, the next kept") << longLine + "|tail\n>HOLD:a\n" << QByteArray(">HOLD:a") << QByteArray();
        QTest::newRow("an over-long line in one read") << longLine + "\n>HOLD:a\n" << QByteArray(">HOLD:a") << QByteArray();
        QTest::newRow("the longest line passes") << longLine.left(ManagementLineBuffer::MaxLineLength) + "\r\n" << longLine.left(ManagementLineBuffer::MaxLineLength) << QByteArray();
        QTest::newRow("a line holding NUL is dropped") << QByteArray(">STATE:1,EXIT\0ING,,\n>HOLD:a\n", 28) << QByteArray(">HOLD:a") << QByteArray();
        // clang-format on
    }
    void cutsTheStreamIntoLines()
    {
        QFETCH(QByteArray, reads);
        QFETCH(QByteArray, lines);
        QFETCH(QByteArray, pending);
        ManagementLineBuffer buffer;
        QList<QByteArray> out;
        for (const QByteArray& read : reads.split('|'))
            out += buffer.Append(read);
        QCOMPARE(out.join('/'), lines);
        QCOMPARE(buffer.Pending(), pending);
    }
};

QTEST_GUILESS_MAIN(TestOpenVpnText)
#include "testopenvpntext.moc"
