#include "api/vpnmessagequeue.h"
#include "settings/vpnsettings.h"

#include <QNetworkProxy>
#include <QTest>

class TestVPNMessageQueue final : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void proxyFromSettings_data();
    void proxyFromSettings();
    void autodetectFollowsTheSystem();
};

void TestVPNMessageQueue::initTestCase()
{
    for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                             "ALL_PROXY", "no_proxy", "NO_PROXY"})
        qunsetenv(name);
}

void TestVPNMessageQueue::proxyFromSettings_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("auth");
    QTest::addColumn<int>("proxyType");
    QTest::addColumn<quint16>("proxyPort");
    QTest::addColumn<bool>("tunnelOnly");

    QTest::newRow("none") << int(VPNSettings::NoProxy) << QStringLiteral("3128") << true
                          << int(QNetworkProxy::NoProxy) << quint16(0) << false;
    QTest::newRow("http") << int(VPNSettings::Http) << QStringLiteral("3128") << false
                          << int(QNetworkProxy::HttpProxy) << quint16(3128) << false;
    QTest::newRow("https tunnels only") << int(VPNSettings::Https) << QStringLiteral("8080") << true
                                        << int(QNetworkProxy::HttpProxy) << quint16(8080) << true;
    QTest::newRow("socks") << int(VPNSettings::Socks) << QStringLiteral("1080") << true
                           << int(QNetworkProxy::Socks5Proxy) << quint16(1080) << false;
    QTest::newRow("bad port is 0") << int(VPNSettings::Http) << QStringLiteral("31x") << false
                                   << int(QNetworkProxy::HttpProxy) << quint16(0) << false;
    QTest::newRow("unknown type is http")
        << 9 << QStringLiteral("3128") << false << int(QNetworkProxy::HttpProxy) << quint16(3128) << false;
}

void TestVPNMessageQueue::proxyFromSettings()
{
    QFETCH(int, type);
    QFETCH(QString, port);
    QFETCH(bool, auth);
    QFETCH(int, proxyType);
    VPNSettings settings;
    settings.proxyType = VPNSettings::ProxyType(type);
    settings.proxyAddress = QStringLiteral("proxy.lan");
    settings.proxyPort = port;
    settings.proxyAuthEnabled = auth;
    settings.proxyUser = QStringLiteral("u");
    settings.proxyPassword = QStringLiteral("p");

    VPNMessageQueue queue;
    // While the tunnel is up requests go direct; the settings' proxy comes back afterwards.
    queue.SetProxyEnabled(false);
    queue.SetProxyFromSettings(settings);
    QCOMPARE(queue.ActiveProxy().type(), QNetworkProxy::NoProxy);
    queue.SetProxyEnabled(true);
    const QNetworkProxy proxy = queue.ActiveProxy();
    QCOMPARE(int(proxy.type()), proxyType);
    if (proxyType == QNetworkProxy::NoProxy)
        return;
    QCOMPARE(proxy.hostName(), QStringLiteral("proxy.lan"));
    QTEST(proxy.port(), "proxyPort");
    QCOMPARE(proxy.user(), auth ? QStringLiteral("u") : QString());
    QCOMPARE(proxy.password(), auth ? QStringLiteral("p") : QString());
    QFETCH(bool, tunnelOnly);
    QCOMPARE(proxy.capabilities() == QNetworkProxy::Capabilities(QNetworkProxy::TunnelingCapability),
             tunnelOnly);
}

void TestVPNMessageQueue::autodetectFollowsTheSystem()
{
    VPNSettings settings;
    settings.proxyType = VPNSettings::Autodetect;
    QCOMPARE(VPNMessageQueue::ProxyFromSettings(settings).type(), QNetworkProxy::NoProxy);

    qputenv("http_proxy", "http://192.0.2.9:3128");
    const QNetworkProxy proxy = VPNMessageQueue::ProxyFromSettings(settings);
    qunsetenv("http_proxy");
    QCOMPARE(proxy.type(), QNetworkProxy::HttpProxy);
    QCOMPARE(proxy.hostName(), QStringLiteral("192.0.2.9"));
    QCOMPARE(proxy.port(), quint16(3128));
}

QTEST_GUILESS_MAIN(TestVPNMessageQueue)
#include "testvpnmessagequeue.moc"
