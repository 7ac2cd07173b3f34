#include "linux/linuxsystemservices.h"
#include "temphome.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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
        const auto root = [](const QString& exe) {
            return LinuxSystemServices::ResolveWritableRoot(exe, QStringLiteral("norvane"));
        };
        QCOMPARE(root(exeDir.path()), dataHome.filePath(QStringLiteral("chosen")));
        qunsetenv("NORVANE_HOME");
        QCOMPARE(root(exeDir.path()), exeDir.path());
        // A directory that cannot be written to (here: one that does not exist) is not portable.
        QCOMPARE(root(exeDir.filePath(QStringLiteral("gone"))), dataHome.path() + QStringLiteral("/norvane"));
        // Installed: not portable, even for a user (root) who may write there.
        QCOMPARE(root(QStringLiteral("/usr/bin")), dataHome.path() + QStringLiteral("/norvane"));
    }

    // The files earlier versions left in the writable root's Config folder, found again; the
    // settings file is named after the executable. The locale file is shown in TestAppContext.
    void filesUnderConfig()
    {
        TempHome home;
        QTemporaryDir exeDir;
        LinuxSystemServices services(QStringLiteral("norvane"));
        services.SetExecutable(exeDir.filePath(QStringLiteral("client")));
        const QString config = home.Path() + QStringLiteral("/Config/");
        QCOMPARE(
            QStringList(
                {GetSettingsFilePath(services), GetLogFilePath(services), GetOpenVpnConfigPath(services)}),
            QStringList({config + QStringLiteral("client.xml"), config + QStringLiteral("norvane_log.log"),
                         config + QStringLiteral("conn.ovpn")}));
    }

    // Read-only data beside the executable (a build tree, an unpacked archive) comes first;
    // otherwise it is where the install rules put it.
    void readOnlyData_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("besideFile");
        QTest::addColumn<bool>("besideFolder");
        QTest::addColumn<bool>("expectBeside");
        QTest::newRow("CA beside") << QStringLiteral("tarnwick.crt") << true << false << true;
        QTest::newRow("CA installed") << QStringLiteral("tarnwick.crt") << false << false << false;
        QTest::newRow("translations beside") << QStringLiteral("tr") << false << true << true;
        QTest::newRow("manual installed") << QStringLiteral("Manual") << false << false << false;
    }

    void readOnlyData()
    {
        QFETCH(QString, name);
        QFETCH(bool, besideFile);
        QFETCH(bool, besideFolder);
        QFETCH(bool, expectBeside);
        QTemporaryDir exeDir;
        const QString beside = exeDir.filePath(name);
        if (besideFile) {
            QFile file(beside);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        if (besideFolder)
            QVERIFY(QDir().mkpath(beside));
        const QString expected
            = expectBeside ? beside : QStringLiteral(NORVANE_TEST_INSTALL_DATADIR "/") + name;
        QCOMPARE(LinuxSystemServices::FindReadOnlyData(exeDir.path(), name), expected);
        QCOMPARE(LinuxSystemServices::FindReadOnlyData(QString(), name),
                 QStringLiteral(NORVANE_TEST_INSTALL_DATADIR "/") + name);
        if (name == QLatin1String("tr") || name == QLatin1String("Manual")) {
            LinuxSystemServices services(QStringLiteral("norvane"));
            services.SetExecutable(exeDir.filePath(QStringLiteral("norvane")));
            QCOMPARE(name == QLatin1String("tr") ? services.GetTranslationsDirectory()
                                                 : services.GetManualDirectory(),
                     expected + QLatin1Char('/'));
        }
    }

    // The routing tables as /proc/net/route (after its header line, fields between tabs) and
    // /proc/net/ipv6_route ("::" standing for 32 zeros) show them.
    void defaultRoute_data()
    {
        QTest::addColumn<int>("family");
        QTest::addColumn<QByteArray>("table");
        QTest::addColumn<bool>("expected");
        const QByteArray ipv6LinkLocal
            = "fe800000000000000000000000000000 40 :: 00 :: 00000100 00000002 00000000 00000001 eth0\n";
        // clang-format off
        QTest::newRow("default via eth0") << 4 << QByteArray("eth0 00000000 010200C0 0003 0 0 0 00000000 0 0 0\neth0 000200C0 00000000 0001 0 0 0 00FFFFFF 0 0 0\n") << true;
        QTest::newRow("only a local network") << 4 << QByteArray("eth0 000200C0 00000000 0001 0 0 0 00FFFFFF 0 0 0\n") << false;
        QTest::newRow("default route down") << 4 << QByteArray("eth0 00000000 010200C0 0002 0 0 0 00000000 0 0 0\n") << false;
        QTest::newRow("default on loopback") << 4 << QByteArray("lo 00000000 00000000 0001 0 0 0 00000000 0 0 0\n") << false;
        QTest::newRow("header only") << 4 << QByteArray() << false;
        QTest::newRow("IPv6 default via eth0") << 6 << ipv6LinkLocal + ":: 00 :: 00 fd000000000000000000000000000001 00000400 00000002 00000000 00000003     eth0\n" << true;
        QTest::newRow("IPv6 reject route on loopback") << 6 << ipv6LinkLocal + ":: 00 :: 00 :: ffffffff 00000001 00000000 00200200       lo\n" << false;
        QTest::newRow("IPv6 reject route elsewhere") << 6 << QByteArray(":: 00 :: 00 :: ffffffff 00000001 00000000 00000201     eth0\n") << false;
        QTest::newRow("IPv6 no default") << 6 << ipv6LinkLocal << false;
        QTest::newRow("IPv6 empty") << 6 << QByteArray() << false;
        // clang-format on
    }

    void defaultRoute()
    {
        QFETCH(int, family);
        QFETCH(QByteArray, table);
        if (family == 4) {
            table.prepend("Iface Destination Gateway  Flags RefCnt Use Metric Mask  MTU Window IRTT\n");
            QTEST(LinuxSystemServices::HasIpv4DefaultRoute(table.replace(' ', '\t')), "expected");
        } else {
            QTEST(LinuxSystemServices::HasIpv6DefaultRoute(table.replace("::", QByteArray(32, '0'))),
                  "expected");
        }
    }
};

QTEST_GUILESS_MAIN(TestLinuxSystemServices)
#include "testlinuxsystemservices.moc"
