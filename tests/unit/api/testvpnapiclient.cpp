#include "api/vpnapicreatesupportticketresponse.h"
#include "api/vpnapigetassignedaddressresponse.h"
#include "api/vpnapigetrequestentityipresponse.h"
#include "api/vpnapigetuserinforesponse.h"
#include "api/vpnapiserverlistresponse.h"
#include "api/vpnmessagehandler.h"
#include "api/vpnmessagequeue.h"
#include "settings/vpnsettings.h"
#include "support/desktopproxy.h"

#include <QMetaEnum>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

namespace {

// A reply of the service with these elements inside <response>.
QString Reply(const QString& inner)
{
    return QStringLiteral("<?xml version=\"1.0\"?><response>%1</response>").arg(inner);
}

template<typename Enum> QString Key(Enum value)
{
    return QLatin1String(QMetaEnum::fromType<Enum>().valueToKey(int(value)));
}

// "description address:port", then what differs from an available, plain endpoint.
QString Endpoints(const QList<VPNServer>& servers)
{
    QStringList texts;
    for (const VPNServer& s : servers) {
        QString text = QStringLiteral("%1 %2:%3").arg(s.description, s.address).arg(s.port);
        if (s.name != s.description)
            text += QStringLiteral(" name ") + s.name;
        if (!s.available)
            text += QStringLiteral(" off");
        if (s.preferable)
            text += QStringLiteral(" pref");
        if (s.pointToPoint)
            text += QStringLiteral(" p2p");
        if (s.loadPercentage != 0)
            text += QStringLiteral(" load %1").arg(s.loadPercentage);
        texts << text;
    }
    return texts.join(QStringLiteral(", "));
}

// Type, host:port, user:password, and whether it only tunnels.
QString Describe(const QNetworkProxy& proxy)
{
    if (proxy.type() == QNetworkProxy::NoProxy)
        return QStringLiteral("none");
    const bool tunnelOnly
        = proxy.capabilities() == QNetworkProxy::Capabilities(QNetworkProxy::TunnelingCapability);
    return QStringLiteral("%1 %2:%3 %4:%5%6")
        .arg(proxy.type() == QNetworkProxy::Socks5Proxy ? QStringLiteral("socks") : QStringLiteral("http"),
             proxy.hostName(), QString::number(proxy.port()), proxy.user(), proxy.password(),
             tunnelOnly ? QStringLiteral(" tunnel") : QString());
}

} // namespace

// The API client's parts that need no network: what a reply makes of a response object, and
// which proxy the requests take. The bytes on the wire are pinned against the simulator.
class TestVPNApiClient final : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                                 "ALL_PROXY", "no_proxy", "NO_PROXY"})
            qunsetenv(name);
    }

    // One response object of the kind takes the replies in turn; the row gives its type, code and
    // [payload] after the last. The type and code decide what the program does. One object serves
    // every call of its script, so nothing of a reply may linger but the payload, which only data
    // replaces; a reply that is not XML is a failed call.
    void replies_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("replies");
        QTest::addColumn<QString>("expected");
        const QString failed
            = Reply(QStringLiteral("<type>error</type><code>api_wrong_id</code><data>198.51.100.7</data>"));
        const QString ann
            = Reply(QStringLiteral("<type>success</type><data><clientinfo><username>ann</username>"
                                   "<plan>x</plan><email>ann@example.org</email></clientinfo></data>"));
        // clang-format off
        QTest::newRow("success with blanks") << QStringLiteral("address") << QStringList {failed, Reply(QStringLiteral("<type>  success \n</type>"))} << QStringLiteral("Success Unknown [198.51.100.7]");
        QTest::newRow("capital Success is unknown") << QStringLiteral("address") << QStringList {failed, Reply(QStringLiteral("<type>Success</type><code>generic</code>"))} << QStringLiteral("Unknown Generic [198.51.100.7]");
        QTest::newRow("code with blanks") << QStringLiteral("address") << QStringList {failed, Reply(QStringLiteral("<type>error</type><code> api_wrong_id </code>"))} << QStringLiteral("Error ApiWrongId [198.51.100.7]");
        QTest::newRow("unknown code") << QStringLiteral("address") << QStringList {failed, Reply(QStringLiteral("<type>error</type><code>API_WRONG_ID</code>"))} << QStringLiteral("Error Unknown [198.51.100.7]");
        QTest::newRow("no response element") << QStringLiteral("address") << QStringList {failed, QStringLiteral("<reply><type>success</type></reply>")} << QStringLiteral("Unknown Unknown [198.51.100.7]");
        QTest::newRow("no type") << QStringLiteral("address") << QStringList {failed, Reply(QStringLiteral("<code>generic</code>"))} << QStringLiteral("Unknown Generic [198.51.100.7]");
        QTest::newRow("empty body") << QStringLiteral("address") << QStringList {failed, QString()} << QStringLiteral("Unknown Unknown [198.51.100.7]");
        QTest::newRow("proxy error page") << QStringLiteral("address") << QStringList {failed, QStringLiteral("<html><body><h1>502 Bad Gateway</h1><br></body></html>")} << QStringLiteral("Unknown Unknown [198.51.100.7]");
        QTest::newRow("truncated") << QStringLiteral("address") << QStringList {failed, QStringLiteral("<response><type>success</type><data>")} << QStringLiteral("Unknown Unknown [198.51.100.7]");
        QTest::newRow("address as sent") << QStringLiteral("address") << QStringList {Reply(QStringLiteral("<type>success</type><data> 198.51.100.7</data>"))} << QStringLiteral("Success Unknown [ 198.51.100.7]");
        QTest::newRow("address cleared by empty data") << QStringLiteral("address") << QStringList {failed, Reply(QStringLiteral("<type>success</type><data/>"))} << QStringLiteral("Success Unknown []");
        QTest::newRow("public address: an error page is no address") << QStringLiteral("public") << QStringList {QStringLiteral("<html><body>Error</body></html>")} << QStringLiteral("Success Generic []");
        QTest::newRow("public address: a short IPv4 form is no address") << QStringLiteral("public") << QStringList {QStringLiteral("10.1")} << QStringLiteral("Success Generic []");
        QTest::newRow("public address: blanks around it dropped") << QStringLiteral("public") << QStringList {QStringLiteral(" 203.0.113.5\n")} << QStringLiteral("Success Generic [203.0.113.5]");
        QTest::newRow("public address: IPv6") << QStringLiteral("public") << QStringList {QStringLiteral("2001:db8::5")} << QStringLiteral("Success Generic [2001:db8::5]");
        QTest::newRow("ticket link of an error reply") << QStringLiteral("ticket") << QStringList {Reply(QStringLiteral("<type>error</type><data>https://t.example/7</data>"))} << QStringLiteral("Error Unknown [https://t.example/7]");
        QTest::newRow("ticket link cleared without data") << QStringLiteral("ticket") << QStringList {failed, Reply(QStringLiteral("<type>success</type>"))} << QStringLiteral("Success Unknown []");
        QTest::newRow("user info") << QStringLiteral("user") << QStringList {ann} << QStringLiteral("Success Unknown [ann ann@example.org]");
        QTest::newRow("user info keeps missing fields") << QStringLiteral("user") << QStringList {ann, Reply(QStringLiteral("<type>success</type><data><clientinfo><username>bob</username></clientinfo></data>")), Reply(QStringLiteral("<type>success</type><data><other/></data>"))} << QStringLiteral("Success Unknown [bob ann@example.org]");
        QTest::newRow("port attributes") << QStringLiteral("servers") << QStringList {Reply(QStringLiteral("<data><servers><server description=\"Milan\" ip=\"192.0.2.40\"><ports><port>443</port><port protocol=\"UDP\">1194</port><port protocol=\"\">1195</port><port protocol=\"tcp-client\">80</port><port available=\"false\" is_preferable=\"0\">1</port><port available=\"0\" is_preferable=\"1\">2</port><port>x</port></ports></server></servers></data>"))}
            << QStringLiteral("Unknown Unknown [udp: Milan 192.0.2.40:1194, Milan 192.0.2.40:1195 tcp: Milan 192.0.2.40:443, Milan 192.0.2.40:80, Milan 192.0.2.40:1, Milan 192.0.2.40:2 off pref]");
        QTest::newRow("ports outside 1..65535 and addresses that are not IPv4 are left out") << QStringLiteral("servers") << QStringList {Reply(QStringLiteral("<data><servers><server description=\"A\" ip=\"192.0.2.1\"><ports><port>0</port><port>-1</port><port>70000</port><port>65535</port><port> 443</port></ports></server><server description=\"B\" ip=\"10.1\"><ports><port>1</port></ports></server><server description=\"C\" ip=\"192.0.2.3&#10;up /bin/sh\"><ports><port>1</port></ports></server><server description=\"D\" ip=\"host.example\"><ports><port>1</port></ports></server></servers></data>"))}
            << QStringLiteral("Unknown Unknown [udp:  tcp: A 192.0.2.1:65535, A 192.0.2.1:443]");
        QTest::newRow("server attributes") << QStringLiteral("servers") << QStringList {Reply(QStringLiteral("<type>success</type><data><servers><server description=\"B\" ip=\"192.0.2.2\" is_p2p=\"\" load_percentage=\"-5\"><ports><port>3</port></ports></server><server description=\"C\" ip=\"192.0.2.3\" is_p2p=\"0\" load_percentage=\"abc\"><ports><port>4</port></ports></server></servers></data>"))}
            << QStringLiteral("Success Unknown [udp:  tcp: B 192.0.2.2:3 p2p load -5, C 192.0.2.3:4]");
        QTest::newRow("every port of the first ports of every server of the first servers, in order") << QStringLiteral("servers") << QStringList {Reply(QStringLiteral("<data><servers><server description=\"A\" ip=\"192.0.2.1\"><ports><port protocol=\"UDP\">1194</port><note/><port protocol=\"UDP\">53</port><port protocol=\"TCP\">443</port></ports><ports><port protocol=\"UDP\">9</port></ports></server><other/><server description=\"B\" ip=\"192.0.2.2\"/><server description=\"C\" ip=\"192.0.2.3\"><ports><port protocol=\"TCP\">80</port></ports></server></servers><servers><server description=\"D\"><ports><port>1</port></ports></server></servers></data>"))}
            << QStringLiteral("Unknown Unknown [udp: A 192.0.2.1:1194, A 192.0.2.1:53 tcp: A 192.0.2.1:443, C 192.0.2.3:80]");
        QTest::newRow("empty data clears the lists") << QStringLiteral("servers") << QStringList {Reply(QStringLiteral("<data><servers><server description=\"A\" ip=\"192.0.2.1\"><ports><port>1</port></ports></server></servers></data>")), Reply(QStringLiteral("<data/>"))} << QStringLiteral("Unknown Unknown [udp:  tcp: ]");
        // clang-format on
        // Long replies reach the reader in pieces: a character split across two pieces is whole,
        // and a fault after the last endpoint taken still fails the reply and keeps the lists.
        const QString one = Reply(
            QStringLiteral("<data><servers><server description=\"A\" "
                           "ip=\"192.0.2.1\"><ports><port>1</port></ports></server></servers></data>"));
        const QString head = Reply(QStringLiteral("<data><servers><!--%1--><server description=\"%2\" "
                                                  "ip=\"192.0.2.2\"><ports><port>2</port></ports></server>"));
        // The globe's first half ends the first piece.
        const qsizetype padding
            = VPNApiServerListResponse::PieceSize - head.indexOf(QLatin1String("%1")) - 27;
        const QString across = head.arg(QString(padding, QLatin1Char('x')), QStringLiteral("Z \U0001F30D"));
        QTest::newRow("character across two pieces")
            << QStringLiteral("servers")
            << QStringList {across.left(across.indexOf(QLatin1String("</response>")))
                            + QStringLiteral("</servers></data></response>")}
            << QStringLiteral("Unknown Unknown [udp:  tcp: Z \U0001F30D 192.0.2.2:2]");
        const QString port = QStringLiteral(
            "<server description=\"B\" ip=\"192.0.2.2\"><ports><port>2</port></ports></server>");
        QTest::newRow("fault far behind the endpoints taken")
            << QStringLiteral("servers")
            << QStringList {one,
                            Reply(QStringLiteral("<data><servers>")
                                  + port.repeated(VPNApiServerListResponse::MaxEndpoints + 10)
                                  + QStringLiteral("</servers></data><broken>"))}
            << QStringLiteral("Unknown Unknown [udp:  tcp: A 192.0.2.1:1]");
    }

    void replies()
    {
        QFETCH(QString, kind);
        QFETCH(QStringList, replies);
        VPNApiGetAssignedAddressResponse address;
        VPNApiGetRequestEntityIpResponse publicAddress;
        VPNApiCreateSupportTicketResponse ticket;
        VPNApiGetUserInfoResponse user;
        VPNApiServerListResponse servers;
        const QMap<QString, VPNApiResponse*> objects = {{QStringLiteral("address"), &address},
                                                        {QStringLiteral("public"), &publicAddress},
                                                        {QStringLiteral("ticket"), &ticket},
                                                        {QStringLiteral("user"), &user},
                                                        {QStringLiteral("servers"), &servers}};
        VPNApiResponse* response = objects.value(kind);
        QSignalSpy finished(response, &VPNApiResponse::Finished);
        for (const QString& reply : replies)
            response->Parse(reply);
        QCOMPARE(finished.count(), replies.size());
        const QMap<QString, QString> payloads
            = {{QStringLiteral("address"), address.Address()},
               {QStringLiteral("public"), publicAddress.Address()},
               {QStringLiteral("ticket"), ticket.Link()},
               {QStringLiteral("user"), user.UserName() + QLatin1Char(' ') + user.Email()},
               {QStringLiteral("servers"),
                QStringLiteral("udp: %1 tcp: %2")
                    .arg(Endpoints(servers.UdpServers()), Endpoints(servers.TcpServers()))}};
        QTEST(QStringLiteral("%1 %2 [%3]")
                  .arg(Key(response->Type()), Key(response->ErrorCode()), payloads.value(kind)),
              "expected");
    }

    void replyBodyIsCutAtZeroByte()
    {
        const QByteArray body("<response><type>success</type></response>\0<garbage", 50);
        QCOMPARE(VPNMessageHandler::DecodeReplyBody(body),
                 QStringLiteral("<response><type>success</type></response>"));
        QCOMPARE(VPNMessageHandler::DecodeReplyBody(QByteArray("\xe9t\xe9", 3)),
                 QStringLiteral("\u00e9t\u00e9"));
    }

    // A redirect may not leave the API host or HTTPS.
    void redirects_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("same host, relative") << "/b" << true;
        QTest::newRow("same host in capitals") << "https://API.example/b" << true;
        QTest::newRow("plain HTTP") << "http://api.example/b" << false;
        QTest::newRow("another host") << "https://evil.example/b" << false;
        QTest::newRow("a host that starts alike") << "https://api.example.evil.example/b" << false;
        QTest::newRow("scheme-relative to another host") << "//evil.example/b" << false;
    }
    void redirects()
    {
        QFETCH(QString, target);
        QTEST(
            VPNMessageHandler::IsRedirectAllowed(QUrl(QStringLiteral("https://api.example/a")), QUrl(target)),
            "allowed");
    }

    // Against a local HTTP server: a reply that trickles past the deadline, one beyond the size
    // cap and a redirect away from HTTPS are network errors; a plain reply goes through.
    void transportLimits_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain reply") << "ok"
                                     << "Success Generic [203.0.113.5] 1";
        QTest::newRow("a byte every 20 ms past the deadline") << "trickle"
                                                              << "Error NetworkError [] 1";
        QTest::newRow("a reply beyond the cap") << "huge"
                                                << "Error NetworkError [] 1";
        QTest::newRow("redirect to another host") << "elsewhere"
                                                  << "Error NetworkError [] 1";
        QTest::newRow("redirect to the same host over HTTP") << "http"
                                                             << "Error NetworkError [] 1";
    }
    void transportLimits()
    {
        QFETCH(QString, server);
        QTcpServer listener;
        QVERIFY(listener.listen(QHostAddress::LocalHost));
        const QByteArray self = "http://127.0.0.1:" + QByteArray::number(listener.serverPort());
        int requests = 0;
        connect(&listener, &QTcpServer::newConnection, this, [&] {
            QTcpSocket* peer = listener.nextPendingConnection();
            ++requests;
            connect(peer, &QTcpSocket::readyRead, peer, [&, peer] {
                if (!peer->readAll().contains("\r\n\r\n") || peer->property("answered").toBool())
                    return;
                peer->setProperty("answered", true);
                const QMap<QString, QByteArray> redirects
                    = {{QStringLiteral("elsewhere"), "https://evil.example/x"},
                       {QStringLiteral("http"), self + "/y"}};
                if (redirects.contains(server)) {
                    peer->write("HTTP/1.1 302 Found\r\nLocation: " + redirects.value(server)
                                + "\r\nContent-Length: 0\r\n\r\n");
                } else if (server == QLatin1String("ok")) {
                    peer->write("HTTP/1.1 200 OK\r\nContent-Length: 11\r\n\r\n203.0.113.5");
                } else if (server == QLatin1String("huge")) {
                    peer->write("HTTP/1.1 200 OK\r\nContent-Length: 8388608\r\n\r\n");
                    for (int i = 0; i < 80; ++i)
                        peer->write(QByteArray(64 * 1024, 'x'));
                } else {
                    peer->write("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n");
                    auto* drip = new QTimer(peer);
                    connect(drip, &QTimer::timeout, peer, [peer] { peer->write("x"); });
                    drip->start(20);
                }
            });
        });
        VPNMessageQueue queue;
        queue.SetRequestDeadline(std::chrono::milliseconds(400));
        auto response = std::make_shared<VPNApiGetRequestEntityIpResponse>();
        QSignalSpy finished(response.get(), &VPNApiResponse::Finished);
        VPNApiMessage message;
        message.method = VPNApiMessage::Get;
        message.url = QString::fromLatin1(self + "/script");
        queue.SendMessage(message, response);
        QVERIFY(finished.wait(10000));
        QTEST(QStringLiteral("%1 %2 [%3] %4")
                  .arg(Key(response->Type()), Key(response->ErrorCode()), response->Address())
                  .arg(requests),
              "expected");
    }

    // The proxy the requests take, from the settings or, for autodetect, from the desktop. While
    // the tunnel is up requests go direct; the settings' proxy comes back afterwards.
    void proxyFromSettings_data()
    {
        // The stored type, port, "auth" when authentication is on, the desktop's https_proxy.
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("none") << QStringLiteral("0 3128 auth -") << QStringLiteral("none");
        QTest::newRow("http") << QStringLiteral("1 3128 - -") << QStringLiteral("http proxy.lan:3128 :");
        QTest::newRow("https tunnels only") << QStringLiteral("2 8080 auth -") << QStringLiteral("http proxy.lan:8080 u:p tunnel");
        QTest::newRow("socks") << QStringLiteral("3 1080 auth -") << QStringLiteral("socks proxy.lan:1080 u:p");
        QTest::newRow("bad port is 0") << QStringLiteral("1 31x - -") << QStringLiteral("http proxy.lan:0 :");
        QTest::newRow("unknown type is http") << QStringLiteral("9 3128 - -") << QStringLiteral("http proxy.lan:3128 :");
        QTest::newRow("autodetect, desktop without proxy") << QStringLiteral("4 3128 auth -") << QStringLiteral("none");
        QTest::newRow("autodetect, desktop proxy") << QStringLiteral("4 3128 - http://192.0.2.9:3128") << QStringLiteral("http 192.0.2.9:3128 :");
        // clang-format on
    }

    void proxyFromSettings()
    {
        QFETCH(QString, settings);
        const QStringList words = settings.split(QLatin1Char(' '));
        VPNSettings record;
        record.SetProxy(VPNSettings::ProxyType(words.at(0).toInt()), QStringLiteral("proxy.lan"),
                        words.at(1));
        record.SetProxyAuthentication(words.at(2) == QLatin1String("auth"), QStringLiteral("u"),
                                      QStringLiteral("p"));
        QProcessEnvironment environment;
        if (words.at(3) != QLatin1String("-"))
            environment.insert(QStringLiteral("https_proxy"), words.at(3));

        VPNMessageQueue queue;
        queue.SetDesktopProxy(DesktopProxy(environment, {}));
        queue.SetProxyEnabled(false);
        queue.SetProxyFromSettings(record, QUrl(QStringLiteral("https://api.norvane.example/")));
        QCOMPARE(queue.ActiveProxy().type(), QNetworkProxy::NoProxy);
        queue.SetProxyEnabled(true);
        QTEST(Describe(queue.ActiveProxy()), "expected");
    }

    // The desktop's proxy for the service at api.norvane.example: the environment first, then the
    // system's answer.
    void desktopProxy_data()
    {
        // Environment variables as name=value, separated by blanks.
        QTest::addColumn<QString>("environment");
        // What the system query answers: a proxy variable's value, or "-" for no proxy.
        QTest::addColumn<QString>("system");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("nothing anywhere") << "" << "-" << "none";
        QTest::newRow("https_proxy with credentials") << "HTTPS_PROXY=http://u:p@proxy.lan:3128" << "-" << "http proxy.lan:3128 u:p";
        QTest::newRow("all_proxy socks5") << "all_proxy=socks5h://socks.lan" << "-" << "socks socks.lan:1080 :";
        QTest::newRow("https_proxy before all_proxy") << "all_proxy=socks5://socks.lan:1 https_proxy=http://proxy.lan:2" << "-" << "http proxy.lan:2 :";
        QTest::newRow("unusable scheme: next variable") << "https_proxy=socks4://old.lan:1 ALL_PROXY=socks5://socks.lan:9" << "-" << "socks socks.lan:9 :";
        QTest::newRow("environment before the system") << "https_proxy=http://proxy.lan:2" << "http://sys.lan:3" << "http proxy.lan:2 :";
        QTest::newRow("no_proxy domain") << "https_proxy=http://proxy.lan:2 no_proxy=example.org,.norvane.example" << "http://sys.lan:3" << "none";
        QTest::newRow("NO_PROXY star") << "https_proxy=http://proxy.lan:2 NO_PROXY=*" << "-" << "none";
        QTest::newRow("system proxy") << "" << "http://sys.lan:3" << "http sys.lan:3 :";
        // clang-format on
    }

    void desktopProxy()
    {
        QFETCH(QString, environment);
        QFETCH(QString, system);
        QProcessEnvironment variables;
        for (const QString& pair : environment.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            variables.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
        const QUrl target(QStringLiteral("https://api.norvane.example/"));
        const DesktopProxy desktop(variables, [&](const QNetworkProxyQuery& query) {
            // The system is asked about the same destination.
            return query.url() == target && system != QLatin1String("-")
                ? QList<QNetworkProxy> {DesktopProxy::FromUrl(system)}
                : QList<QNetworkProxy> {QNetworkProxy(QNetworkProxy::NoProxy)};
        });
        QTEST(Describe(desktop.For(target)), "expected");
    }

    // The trust loaded for an extra CA is the system's, without the duplicates.
    void systemCaCertificatesAreQtsOnce()
    {
        const QList<QSslCertificate> ours = VPNMessageQueue::SystemCaCertificates();
        QSet<QByteArray> qts;
        for (const QSslCertificate& certificate : QSslConfiguration::systemCaCertificates())
            qts.insert(certificate.toDer());
        QSet<QByteArray> unique;
        for (const QSslCertificate& certificate : ours)
            unique.insert(certificate.toDer());
        QCOMPARE(unique.size(), ours.size());
        QCOMPARE(unique, qts);
    }
};

QTEST_GUILESS_MAIN(TestVPNApiClient)
#include "testvpnapiclient.moc"
