#include "linux/linuxsystemservices.h"
#include "temphome.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

const char kIpv4Header[]
    = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";

} // namespace

class TestLinuxSystemServices final : public QObject
{
    Q_OBJECT

private slots:
    void writableRoot()
    {
        QTemporaryDir exeDir;
        QTemporaryDir dataHome;
        qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
        qputenv("NORVANE_HOME", dataHome.filePath(QStringLiteral("chosen/")).toUtf8());
        QCOMPARE(LinuxSystemServices::ResolveWritableRoot(exeDir.path(), QStringLiteral("norvane")),
                 dataHome.filePath(QStringLiteral("chosen")));
        qunsetenv("NORVANE_HOME");
        QCOMPARE(LinuxSystemServices::ResolveWritableRoot(exeDir.path(), QStringLiteral("norvane")),
                 exeDir.path());
        // A directory that cannot be written to (here: one that does not exist) is not portable.
        QCOMPARE(LinuxSystemServices::ResolveWritableRoot(exeDir.filePath(QStringLiteral("gone")),
                                                          QStringLiteral("norvane")),
                 dataHome.path() + QStringLiteral("/norvane"));
        // Installed: not portable, even for a user (root) who may write there.
        QCOMPARE(
            LinuxSystemServices::ResolveWritableRoot(QStringLiteral("/usr/bin"), QStringLiteral("norvane")),
            dataHome.path() + QStringLiteral("/norvane"));
    }

    // Writable files under the writable root's Config folder, named after the executable where
    // they belong to it. The translations found next to the executable are shown in TestAppContext.
    void pathFunctions()
    {
        TempHome home;
        QTemporaryDir exeDir;
        LinuxSystemServices services(QStringLiteral("norvane"));
        services.SetExecutable(exeDir.filePath(QStringLiteral("client")));
        const QString config = home.Path() + QStringLiteral("/Config/");
        QCOMPARE(GetSettingsFilePath(services), config + QStringLiteral("client.xml"));
        QCOMPARE(GetLogFilePath(services), config + QStringLiteral("norvane_log.log"));
        QCOMPARE(GetOpenVpnConfigPath(services), config + QStringLiteral("conn.ovpn"));
        QCOMPARE(GetLocaleConfigPath(services), config + QStringLiteral("locale.config"));
        QCOMPARE(services.GetSettingsDirectory(), config);
    }

    // The routing tables as /proc/net/route and /proc/net/ipv6_route show them.
    void defaultRoute_data()
    {
        QTest::addColumn<bool>("ipv6");
        QTest::addColumn<QByteArray>("table");
        QTest::addColumn<bool>("expected");
        const QByteArray header(kIpv4Header);
        QTest::newRow("default via eth0") << false
                                          << header
                + "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
                  "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
                                          << true;
        QTest::newRow("only a local network")
            << false << header + "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
            << false;
        QTest::newRow("default route down")
            << false << header + "eth0\t00000000\t010200C0\t0002\t0\t0\t0\t00000000\t0\t0\t0\n"
            << false;
        QTest::newRow("default on loopback")
            << false << header + "lo\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n"
            << false;
        QTest::newRow("header only") << false << header << false;
        QTest::newRow("empty") << false << QByteArray() << false;

        const QByteArray zero(32, '0');
        const QByteArray linkLocal = "fe800000000000000000000000000000 40 " + zero + " 00 " + zero
            + " 00000100 00000002 00000000 00000001     eth0\n";
        QTest::newRow("IPv6 default via eth0") << true
                                               << linkLocal + zero + " 00 " + zero
                + " 00 fd000000000000000000000000000001 00000400 00000002 00000000 00000003     eth0\n"
                                               << true;
        QTest::newRow("IPv6 reject route on loopback") << true
                                                       << linkLocal + zero + " 00 " + zero + " 00 " + zero
                + " ffffffff 00000001 00000000 00200200       lo\n"
                                                       << false;
        QTest::newRow("IPv6 reject route elsewhere")
            << true
            << zero + " 00 " + zero + " 00 " + zero + " ffffffff 00000001 00000000 00000201     eth0\n"
            << false;
        QTest::newRow("IPv6 no default") << true << linkLocal << false;
    }

    void defaultRoute()
    {
        QFETCH(bool, ipv6);
        QFETCH(QByteArray, table);
        QTEST(ipv6 ? LinuxSystemServices::HasIpv6DefaultRoute(table)
                   : LinuxSystemServices::HasIpv4DefaultRoute(table),
              "expected");
    }
};

QTEST_GUILESS_MAIN(TestLinuxSystemServices)
#include "testlinuxsystemservices.moc"
