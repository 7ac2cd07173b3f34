#include "api/vpnmessagequeue.h"
#include "settings/vpnsettings.h"

#include <QNetworkProxy>
#include <QTest>

namespace {

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

class TestVPNMessageQueue final : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                                 "ALL_PROXY", "no_proxy", "NO_PROXY"})
            qunsetenv(name);
    }

    // The proxy the requests take, from the settings or, for autodetect, from the system.
    void proxyFromSettings_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("port");
        QTest::addColumn<bool>("auth");
        QTest::addColumn<QByteArray>("systemProxy");
        QTest::addColumn<QString>("expected");
        QTest::newRow("none") << int(VPNSettings::NoProxy) << QStringLiteral("3128") << true << QByteArray()
                              << QStringLiteral("none");
        QTest::newRow("http") << int(VPNSettings::Http) << QStringLiteral("3128") << false << QByteArray()
                              << QStringLiteral("http proxy.lan:3128 :");
        QTest::newRow("https tunnels only")
            << int(VPNSettings::Https) << QStringLiteral("8080") << true << QByteArray()
            << QStringLiteral("http proxy.lan:8080 u:p tunnel");
        QTest::newRow("socks") << int(VPNSettings::Socks) << QStringLiteral("1080") << true << QByteArray()
                               << QStringLiteral("socks proxy.lan:1080 u:p");
        QTest::newRow("bad port is 0") << int(VPNSettings::Http) << QStringLiteral("31x") << false
                                       << QByteArray() << QStringLiteral("http proxy.lan:0 :");
        QTest::newRow("unknown type is http") << 9 << QStringLiteral("3128") << false << QByteArray()
                                              << QStringLiteral("http proxy.lan:3128 :");
        QTest::newRow("autodetect, system without proxy")
            << int(VPNSettings::Autodetect) << QString() << false << QByteArray() << QStringLiteral("none");
        QTest::newRow("autodetect, system proxy")
            << int(VPNSettings::Autodetect) << QString() << false << QByteArray("http://192.0.2.9:3128")
            << QStringLiteral("http 192.0.2.9:3128 :");
    }

    void proxyFromSettings()
    {
        QFETCH(int, type);
        QFETCH(QString, port);
        QFETCH(bool, auth);
        QFETCH(QByteArray, systemProxy);
        VPNSettings settings;
        settings.proxyType = VPNSettings::ProxyType(type);
        settings.proxyAddress = QStringLiteral("proxy.lan");
        settings.proxyPort = port;
        settings.proxyAuthEnabled = auth;
        settings.proxyUser = QStringLiteral("u");
        settings.proxyPassword = QStringLiteral("p");
        if (!systemProxy.isNull())
            qputenv("http_proxy", systemProxy);

        VPNMessageQueue queue;
        // While the tunnel is up requests go direct; the settings' proxy comes back afterwards.
        queue.SetProxyEnabled(false);
        queue.SetProxyFromSettings(settings);
        qunsetenv("http_proxy");
        QCOMPARE(queue.ActiveProxy().type(), QNetworkProxy::NoProxy);
        queue.SetProxyEnabled(true);
        QTEST(Describe(queue.ActiveProxy()), "expected");
    }
};

QTEST_GUILESS_MAIN(TestVPNMessageQueue)
#include "testvpnmessagequeue.moc"
