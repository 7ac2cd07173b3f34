#include "outputmask.h"
#include "tunnelconfigcheck.h"

#include <QTest>

namespace {

// What the client writes for UDP, with the mail route; rows replace or add lines.
const QByteArray Written = "client\n"
                           "management 127.0.0.1 52025\n"
                           "management-query-passwords\n"
                           "management-hold\n"
                           "remote 198.51.100.1 1194\n"
                           "proto udp\n"
                           "keepalive 4 16\n"
                           "tun-mtu 1460\n"
                           "dev tun\n"
                           "ca tarnwick.crt\n"
                           "auth-user-pass\n"
                           "comp-lzo\n"
                           "cipher AES-256-CBC\n"
                           "redirect-gateway def1\n"
                           "nobind\n"
                           "verb 4\n"
                           "route 192.0.2.25 255.255.255.255 net_gateway\n";

TunnelConfigCheck::Paths TestPaths()
{
    return {QStringLiteral("/home/u/.local/share/norvane/Config/conn.ovpn.auth"),
            QStringLiteral("/run/h/1000/management.pw"), QStringLiteral("/run/h/1000/conn.ovpn.auth")};
}

} // namespace

// The helper runs as root whatever the caller's configuration says: these are the lines it lets
// through and the ones it refuses, and the secrets it keeps out of OpenVPN's output.
class TestHelperChecks final : public QObject
{
    Q_OBJECT

private slots:
    void checksEveryLine_data()
    {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to"); // replaces "from" in what the client writes
        QTest::addColumn<QString>("error"); // empty: accepted
        QTest::newRow("as written") << QByteArray() << QByteArray() << QString();
        QTest::newRow("TCP through an HTTP proxy with credentials")
            << QByteArray("proto udp\nkeepalive 4 16\ntun-mtu 1460\n")
            << QByteArray("proto tcp-client\nhttp-proxy proxy.example 8080 "
                          "\"/home/u/.local/share/norvane/Config/conn.ovpn.auth\" basic\n")
            << QString();
        QTest::newRow("TCP through a SOCKS proxy")
            << QByteArray("proto udp\n") << QByteArray("proto tcp-client\nsocks-proxy 10.0.0.5 1080\n")
            << QString();
        QTest::newRow("an up script") << QByteArray("nobind\n") << QByteArray("nobind\nup /tmp/x.sh\n")
                                      << QStringLiteral("line 16: \"up\" is not allowed");
        QTest::newRow("script security")
            << QByteArray("client\n") << QByteArray("client\nscript-security 2\n")
            << QStringLiteral("line 2: \"script-security\" is not allowed");
        QTest::newRow("a plug-in in an inline block")
            << QByteArray("verb 4\n") << QByteArray("verb 4\n<ca>\n")
            << QStringLiteral("line 17: \"<ca>\" is not allowed");
        QTest::newRow("a CA elsewhere") << QByteArray("ca tarnwick.crt") << QByteArray("ca /etc/shadow")
                                        << QStringLiteral("line 10: unexpected value for \"ca\"");
        QTest::newRow("management on every address")
            << QByteArray("management 127.0.0.1 52025") << QByteArray("management 0.0.0.0 52025")
            << QStringLiteral("line 2: unexpected value for \"management\"");
        QTest::newRow("a second remote")
            << QByteArray("nobind\n") << QByteArray("nobind\nremote 10.0.0.1 1\n")
            << QStringLiteral("line 16: \"remote\" appears twice");
        QTest::newRow("a remote with an option behind it")
            << QByteArray("remote 198.51.100.1 1194") << QByteArray("remote 198.51.100.1 1194 --up")
            << QStringLiteral("line 5: unexpected value for \"remote\"");
        QTest::newRow("port 0") << QByteArray("remote 198.51.100.1 1194")
                                << QByteArray("remote 198.51.100.1 0")
                                << QStringLiteral("line 5: unexpected value for \"remote\"");
        QTest::newRow("a quoted host") << QByteArray("remote 198.51.100.1") << QByteArray("remote \"a b\"")
                                       << QStringLiteral("line 5: unexpected value for \"remote\"");
        QTest::newRow("proxy credentials from another file")
            << QByteArray("proto udp\n")
            << QByteArray("proto tcp-client\nhttp-proxy p.example 80 \"/etc/shadow\" basic\n")
            << QStringLiteral("line 7: the proxy credentials must be the client's own file");
        QTest::newRow("a route that is not a host route")
            << QByteArray("255.255.255.255 net_gateway") << QByteArray("0.0.0.0 net_gateway")
            << QStringLiteral("line 17: unexpected value for \"route\"");
        QTest::newRow("a short address in a route")
            << QByteArray("route 192.0.2.25") << QByteArray("route 10.1")
            << QStringLiteral("line 17: unexpected value for \"route\"");
        QTest::newRow("a carriage return") << QByteArray("nobind\n") << QByteArray("nobind\r\n")
                                           << QStringLiteral("the configuration holds control characters");
        QTest::newRow("a port padded with a tab (found by fuzzing)")
            << QByteArray("1194\n") << QByteArray("1194\t\n")
            << QStringLiteral("the configuration holds control characters");
        QTest::newRow("a signed octet in a route")
            << QByteArray("route 192.0.2.25") << QByteArray("route 192.0.2.+25")
            << QStringLiteral("line 17: unexpected value for \"route\"");
        QTest::newRow("no remote") << QByteArray("remote 198.51.100.1 1194\n") << QByteArray()
                                   << QStringLiteral("\"remote\" is missing");
    }
    void checksEveryLine()
    {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QFETCH(QString, error);
        QByteArray text = Written;
        if (!from.isEmpty()) {
            QVERIFY(text.contains(from));
            text.replace(from, to);
        }
        const TunnelConfigCheck::Result result = TunnelConfigCheck::Check(text, TestPaths());
        QCOMPARE(result.error, error);
        QCOMPARE(result.accepted, error.isEmpty());
        if (!result.accepted) {
            QVERIFY(result.config.isEmpty());
            return;
        }
        // Accepted: the same lines, the management password and the credentials' copy in place.
        QByteArray expected = text;
        expected.replace("management 127.0.0.1 52025\n",
                         "management 127.0.0.1 52025 \"/run/h/1000/management.pw\"\n");
        expected.replace("/home/u/.local/share/norvane/Config/conn.ovpn.auth", "/run/h/1000/conn.ovpn.auth");
        QCOMPARE(result.config, expected);
        QCOMPARE(result.usesProxyAuthFile, text.contains("basic"));
    }

    void masksSecretsInOpenVpnOutput_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("masked");
        QTest::newRow("the username command")
            << QByteArray("2026-12-07 01:02:03 MANAGEMENT: CMD 'username \"Auth\" \"AB12-CD\"'")
            << QByteArray("2026-12-07 01:02:03 MANAGEMENT: CMD 'username \"Auth\" [masked]'");
        QTest::newRow("a key with quotes and an apostrophe")
            << QByteArray("MANAGEMENT: CMD 'username \"Auth\" \"A\\\"B'C\"'")
            << QByteArray("MANAGEMENT: CMD 'username \"Auth\" [masked]'");
        QTest::newRow("the password command, unquoted")
            << QByteArray("MANAGEMENT: CMD 'password Auth SECRET'")
            << QByteArray("MANAGEMENT: CMD 'password Auth [masked]'");
        QTest::newRow("the management password anywhere")
            << QByteArray("Options: management_user_pass = 'f00dfeed'")
            << QByteArray("Options: management_user_pass = '[masked]'");
        QTest::newRow("other lines as they are")
            << QByteArray("MANAGEMENT: CMD 'state on'") << QByteArray("MANAGEMENT: CMD 'state on'");
    }
    void masksSecretsInOpenVpnOutput()
    {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, masked);
        OutputMask mask;
        mask.AddSecret("f00dfeed");
        QCOMPARE(mask.Apply(line), masked);
    }
};

QTEST_GUILESS_MAIN(TestHelperChecks)
#include "testhelperchecks.moc"
