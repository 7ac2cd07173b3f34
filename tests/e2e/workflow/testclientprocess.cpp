#include "../e2esupport.h"
#include "linux/linuxsystemservices.h"
#include "platform/isystemservices.h"
#include "settings/settingsfile.h"
#include "settings/vpnsettings.h"

#include <QImage>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The real client program, offscreen in the client namespace of the service world: it starts,
// connects by itself through a real OpenVPN server, shows the connected view, keeps the server
// it used, and ends on `norvane /exit` from a second process only after the tunnel is down.
class TestClientProcess final : public QObject
{
    Q_OBJECT

private:
    QString m_client;
    QString m_home;
    QString m_logPath;
    QString m_configPath;
    QString m_settingsPath;
    QTemporaryDir m_scratch;

    QProcessEnvironment ClientEnvironment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_scratch.filePath(QStringLiteral("runtime")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_scratch.filePath(QStringLiteral("xdg")));
        environment.insert(QStringLiteral("NORVANE_SCREENSHOT_ON_CONNECT"), Snapshot());
        return environment;
    }
    QString Snapshot() const { return m_scratch.filePath(QStringLiteral("connected.png")); }
    QStringList Log() const { return E2e::ReadLog(m_logPath); }
    bool LogHas(const QString& message) const { return Log().contains(message); }

private slots:
    void initTestCase()
    {
        if (E2e::WorldDir().isEmpty())
            QSKIP("not inside the service world (run through tools/world/run-in-world.sh as root)");
        m_client = qEnvironmentVariable("NORVANE_E2E_CLIENT");
        QVERIFY2(QFile::exists(m_client), "NORVANE_E2E_CLIENT names no program");
        m_home = qEnvironmentVariable("NORVANE_HOME");
        QVERIFY(!m_home.isEmpty());
        QVERIFY(QDir().mkpath(m_scratch.filePath(QStringLiteral("runtime"))));
        QFile::setPermissions(m_scratch.filePath(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        LinuxSystemServices services(QStringLiteral("norvane"));
        services.SetExecutable(m_client);
        m_logPath = GetLogFilePath(services);
        m_configPath = GetOpenVpnConfigPath(services);
        m_settingsPath = GetSettingsFilePath(services);

        // Connects by itself: nobody is there to press CONNECT.
        QVERIFY(E2e::WriteSettings(m_settingsPath, true));
    }

    void startsConnectsAndExitsWithTheTunnelDown()
    {
        QProcess client;
        client.setProcessEnvironment(ClientEnvironment());
        client.setProcessChannelMode(QProcess::ForwardedChannels);
        client.start(m_client, {});
        QVERIFY(client.waitForStarted());

        const QString shown
            = QStringLiteral("Shown: \"YOU ARE SECURELY CONNECTED\" local IP \"192.0.2.2\" new IP "
                             "\"203.0.113.77\"");
        QTRY_VERIFY_WITH_TIMEOUT(LogHas(shown) || client.state() == QProcess::NotRunning, 90000);
        QVERIFY2(LogHas(shown), qPrintable(Log().join(QLatin1Char('\n'))));
        QVERIFY(LogHas(QStringLiteral("Auto-connect.")));
        QCOMPARE(E2e::OpenVpnProcessesWith(m_configPath), 1);

        // The screenshot hook's picture of the connected window.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(Snapshot()), 15000);
        const QImage picture(Snapshot());
        QVERIFY(!picture.isNull());
        QCOMPARE(picture.size(), QSize(596, 203));

        // The settings file keeps the server just used.
        const QStringList log = Log();
        const auto connecting = std::find_if(log.cbegin(), log.cend(), [](const QString& message) {
            return message.startsWith(QLatin1String("\"Connecting to: "));
        });
        QVERIFY(connecting != log.cend());
        const QString serverName = connecting->mid(16).section(QStringLiteral(" ("), 0, 0);
        VPNSettings onDisk;
        QVERIFY(SettingsFile::Read(m_settingsPath, onDisk));
        QCOMPARE(onDisk.lastUsedServer, serverName);

        // A second start with /exit asks the running one to end.
        QSignalSpy ended(&client, &QProcess::finished);
        QProcess exitRequest;
        exitRequest.setProcessEnvironment(ClientEnvironment());
        exitRequest.start(m_client, {QStringLiteral("/exit")});
        QVERIFY(exitRequest.waitForFinished(15000));
        QCOMPARE(exitRequest.exitCode(), 0);
        QVERIFY(ended.wait(40000));
        QCOMPARE(client.exitStatus(), QProcess::NormalExit);
        QCOMPARE(client.exitCode(), 0);

        // The tunnel went down before the window closed, and no OpenVPN of ours is left.
        const QStringList finalLog = Log();
        const auto asked = finalLog.indexOf(QStringLiteral("Exit requested. Taking the tunnel down first."));
        const auto down = finalLog.indexOf(QStringLiteral("The tunnel is down. Closing."));
        QVERIFY(asked >= 0);
        QVERIFY(down > asked);
        QVERIFY(
            !finalLog.mid(asked).contains(QStringLiteral("OpenVPN did not report its end in time. Taking the "
                                                         "tunnel as down.")));
        QCOMPARE(E2e::OpenVpnProcessesWith(m_configPath), 0);
    }
};

QTEST_GUILESS_MAIN(TestClientProcess)
#include "testclientprocess.moc"
