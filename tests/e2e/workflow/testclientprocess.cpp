#include "../e2esupport.h"
#include "linux/linuxsystemservices.h"
#include "platform/isystemservices.h"
#include "testfiles.h"

#include <QDirIterator>
#include <QImage>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <pwd.h>

// The real client program, offscreen in the client namespace of the service world and as the
// world's unprivileged user, with norvane-helper running OpenVPN as root: it starts, connects by
// itself through a real OpenVPN server, shows the connected view, and ends on `norvane /exit`
// from a second process, or on SIGTERM, only after the tunnel is down.
// Nothing on disk or on a command line holds the account key, the management port gives nothing
// without the password, the helper refuses what the client does not write, and a killed window
// takes its tunnel, its DNS and its IPv6 block with it.
class TestClientProcess final : public QObject
{
    Q_OBJECT

private:
    QString m_client;
    QString m_home;
    QString m_logPath;
    QString m_settingsPath;
    QString m_user;
    QString m_group; // the user's group id
    QTemporaryDir m_scratch;

    QProcessEnvironment ClientEnvironment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("HOME"), m_home);
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_scratch.filePath(QStringLiteral("runtime")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_scratch.filePath(QStringLiteral("xdg")));
        environment.insert(QStringLiteral("NORVANE_SCREENSHOT_ON_CONNECT"), Snapshot());
        return environment;
    }
    // Runs program as the world's user, without any capability.
    void StartAsUser(QProcess& process, const QString& program, const QStringList& arguments) const
    {
        process.setProcessEnvironment(ClientEnvironment());
        process.start(QStringLiteral("setpriv"),
                      QStringList {QStringLiteral("--reuid"), m_user, QStringLiteral("--regid"), m_group,
                                   QStringLiteral("--clear-groups"), QStringLiteral("--inh-caps=-all"),
                                   program}
                          + arguments);
    }
    // Hands what the test wrote (as root) to the world's user.
    void GiveToUser(const QString& path) const
    {
        QCOMPARE(QProcess::execute(QStringLiteral("chown"),
                                   {QStringLiteral("-R"), m_user + QLatin1Char(':'), path}),
                 0);
    }
    QString Snapshot() const { return m_scratch.filePath(QStringLiteral("connected.png")); }
    QStringList Log() const { return LogFileMessages(m_logPath); }
    // The end of the log, for failure messages (QTest cuts long ones).
    QByteArray LogTail() const
    {
        return Log()
            .mid(std::max<qsizetype>(0, Log().size() - 12))
            .join(QLatin1Char('\n'))
            .right(900)
            .toUtf8();
    }
    bool LogHas(const QString& message) const { return Log().contains(message); }
    static QString Shown()
    {
        return QStringLiteral(
            "Shown: \"YOU ARE SECURELY CONNECTED\" local IP \"192.0.2.2\" new IP \"203.0.113.77\"");
    }
    void StartClient(QProcess& client)
    {
        // What an earlier run logged does not count.
        QFile::remove(m_logPath);
        client.setProcessChannelMode(QProcess::ForwardedChannels);
        StartAsUser(client, m_client, {});
        QVERIFY(client.waitForStarted());
    }
    void StartAndWaitConnected(QProcess& client)
    {
        StartClient(client);
        QTRY_VERIFY2_WITH_TIMEOUT(LogHas(Shown()) || client.state() == QProcess::NotRunning,
                                  LogTail().constData(), 90000);
        QVERIFY2(LogHas(Shown()), LogTail().constData());
        QCOMPARE(E2e::OpenVpnProcesses(), 1);
    }
    // Ends the client with `norvane /exit` from a second process, or with a signal.
    void ExitAndCheckTunnelDown(QProcess& client, int signal = 0)
    {
        QSignalSpy ended(&client, &QProcess::finished);
        if (signal != 0) {
            QCOMPARE(::kill(pid_t(client.processId()), signal), 0);
        } else {
            QProcess exitRequest;
            StartAsUser(exitRequest, m_client, {QStringLiteral("/exit")});
            QVERIFY(exitRequest.waitForFinished(15000));
            QCOMPARE(exitRequest.exitCode(), 0);
        }
        QVERIFY(ended.wait(40000));
        QCOMPARE(client.exitStatus(), QProcess::NormalExit);
        QCOMPARE(client.exitCode(), 0);
        // The tunnel went down before the window closed, and no OpenVPN of ours is left.
        const QStringList log = Log();
        const auto asked = log.indexOf(QStringLiteral("Exit requested. Taking the tunnel down first."));
        const auto down = log.indexOf(QStringLiteral("The tunnel is down. Closing."));
        QVERIFY(asked >= 0);
        QVERIFY(down > asked);
        QVERIFY(!log.mid(asked).contains(
            QStringLiteral("OpenVPN did not report its end in time. Taking the tunnel as down.")));
        // OpenVPN reports its end (EXITING) just before its process ends.
        QTRY_COMPARE_WITH_TIMEOUT(E2e::OpenVpnProcesses(), 0, 5000);
    }
    // Files under folder, and command lines of the client namespace's processes (the service's
    // own simulator knows the key), that hold the key in any case.
    static QStringList HoldersOfKey(const QString& folder, const QByteArray& key)
    {
        QStringList holders;
        const auto holds = [&key](const QByteArray& data) {
            return data.contains(key) || data.contains(key.toUpper()) || data.contains(key.toLower());
        };
        QDirIterator files(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            if (file.open(QIODevice::ReadOnly) && holds(file.readAll()))
                holders << file.fileName();
        }
        const QString ownNamespace = QFile::symLinkTarget(QStringLiteral("/proc/self/ns/net"));
        QDirIterator processes(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
        while (processes.hasNext()) {
            const QString process = processes.next();
            QFile cmdline(process + QStringLiteral("/cmdline"));
            if (QFile::symLinkTarget(process + QStringLiteral("/ns/net")) == ownNamespace
                && cmdline.open(QIODevice::ReadOnly) && holds(cmdline.readAll()))
                holders << cmdline.fileName();
        }
        return holders;
    }

private slots:
    void initTestCase()
    {
        E2E_SKIP_OUTSIDE_THE_WORLD();
        m_client = qEnvironmentVariable("NORVANE_E2E_CLIENT");
        QVERIFY2(QFile::exists(m_client), "NORVANE_E2E_CLIENT names no program");
        m_home = qEnvironmentVariable("NORVANE_HOME");
        QVERIFY(!m_home.isEmpty());
        m_user = qEnvironmentVariable("NORVANE_WORLD_USER", QStringLiteral("nobody"));
        const passwd* account = getpwnam(m_user.toLocal8Bit().constData());
        QVERIFY(account != nullptr);
        m_group = QString::number(account->pw_gid);
        QVERIFY(QDir().mkpath(m_scratch.filePath(QStringLiteral("runtime"))));
        QFile::setPermissions(m_scratch.filePath(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        LinuxSystemServices services(QStringLiteral("norvane"));
        services.SetExecutable(m_client);
        m_logPath = GetLogFilePath(services);
        m_settingsPath = GetSettingsFilePath(services);

        // Connects by itself: nobody is there to press CONNECT.
        QVERIFY(E2e::WriteSettings(m_settingsPath, true));
        GiveToUser(m_home);
        GiveToUser(m_scratch.path());
    }

    void startsConnectsAndExitsWithTheTunnelDown()
    {
        QProcess client;
        StartAndWaitConnected(client);
        QVERIFY(LogHas(QStringLiteral("Auto-connect.")));

        // The screenshot hook's picture of the connected window.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(Snapshot()), 15000);
        const QImage picture(Snapshot());
        QVERIFY(!picture.isNull());
        QCOMPARE(picture.size(), QSize(596, 203));

        // While connected: the key is nowhere on disk or on a command line, OpenVPN's log
        // came through the helper, and the management port answers nothing without its password.
        const QByteArray key = qgetenv("NORVANE_ACCOUNT_KEY");
        QVERIFY(!key.isEmpty());
        for (const QString& folder : {m_home, E2e::WorldDir() + QStringLiteral("/helper-run")}) {
            const QStringList holders = HoldersOfKey(folder, key);
            QVERIFY2(holders.isEmpty(), qPrintable(holders.join(QLatin1Char(' '))));
        }
        QVERIFY(ReadFile(m_home + QStringLiteral("/Config/norvane_openvpn.log"))
                    .contains("MANAGEMENT: CMD 'username \"Auth\" [masked]'"));
        QTcpSocket intruder;
        intruder.connectToHost(QStringLiteral("127.0.0.1"), 52025);
        if (intruder.waitForConnected(3000)) {
            intruder.write("state\nhold release\nusername \"Auth\" \"X\"\n");
            QTest::qWait(1500);
            const QByteArray answer = intruder.readAll();
            QVERIFY2(!answer.contains(">") && !answer.contains("SUCCESS"), answer.constData());
        }
        intruder.abort();

        ExitAndCheckTunnelDown(client);
    }

    // With the kill switch on, so its table goes along too.
    void killedWindowTakesItsTunnelAlong()
    {
        QVERIFY(E2e::WriteSettings(m_settingsPath, true, true));
        GiveToUser(m_settingsPath);
        const QString before = E2e::NetworkSnapshot();
        QProcess client;
        StartAndWaitConnected(client);
        QVERIFY(E2e::NetworkSnapshot().contains(QLatin1String("table inet norvane_block")));
        client.kill();
        QVERIFY(client.waitForFinished(5000));
        // The helper sees its caller leave the bus and stops OpenVPN, and with it undoes what the
        // tunnel changed: routes, DNS, the IPv6 block; and it removes the traffic block.
        QTRY_COMPARE_WITH_TIMEOUT(E2e::OpenVpnProcesses(), 0, 8000);
        QTRY_COMPARE_WITH_TIMEOUT(E2e::SnapshotDifference(before, E2e::NetworkSnapshot()), QString(), 5000);
        // A connected window ended by the session's SIGTERM takes the tunnel down first.
        QProcess again;
        StartAndWaitConnected(again);
        ExitAndCheckTunnelDown(again, SIGTERM);
        QTRY_COMPARE_WITH_TIMEOUT(E2e::SnapshotDifference(before, E2e::NetworkSnapshot()), QString(), 5000);
        QVERIFY(E2e::WriteSettings(m_settingsPath, true));
        GiveToUser(m_settingsPath);
    }

    void terminatedWhileConnectingTakesTheTunnelDown()
    {
        QProcess client;
        StartClient(client);
        QTRY_COMPARE_WITH_TIMEOUT(E2e::OpenVpnProcesses(), 1, 60000);
        QVERIFY(!LogHas(Shown()));
        ExitAndCheckTunnelDown(client, SIGTERM);
        QVERIFY(!LogHas(Shown()));
    }

    // What the helper does with a configuration folder the client did not write, asked directly
    // over the bus by the unprivileged user: the files it refuses by their owner and kind (the
    // lines it refuses are its unit test's table).
    void helperRefusesWhatTheClientDoesNotWrite_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("error");
        // clang-format off
        QTest::newRow("a linked CA") << QStringLiteral("linked ca") << QStringLiteral("tarnwick.crt cannot be read (links are not followed)");
        QTest::newRow("a CA of another user") << QStringLiteral("root ca") << QStringLiteral("tarnwick.crt is not a regular file of the caller");
        // clang-format on
    }
    void helperRefusesWhatTheClientDoesNotWrite()
    {
        QFETCH(QString, change);
        QFETCH(QString, error);
        const QString folder = m_scratch.filePath(QStringLiteral("crafted"));
        QDir(folder).removeRecursively();
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(WriteFile(
            folder + QStringLiteral("/conn.ovpn"),
            "client\nmanagement 127.0.0.1 52025\nmanagement-query-passwords\nmanagement-hold\n"
            "remote 198.51.100.1 1194\nproto udp\ndev tun\nca tarnwick.crt\nauth-user-pass\nverb 4\n"));
        const QString worldCa = qEnvironmentVariable("NORVANE_VPN_CA");
        if (change == QLatin1String("linked ca"))
            QVERIFY(QFile::link(worldCa, folder + QStringLiteral("/tarnwick.crt")));
        else
            QVERIFY(QFile::copy(worldCa, folder + QStringLiteral("/tarnwick.crt")));
        GiveToUser(folder);
        if (change == QLatin1String("root ca"))
            QCOMPARE(QProcess::execute(QStringLiteral("chown"),
                                       {QStringLiteral("root:"), folder + QStringLiteral("/tarnwick.crt")}),
                     0);

        QProcess call;
        call.setProcessChannelMode(QProcess::MergedChannels);
        StartAsUser(call, QStringLiteral("dbus-send"),
                    {QStringLiteral("--system"), QStringLiteral("--print-reply"),
                     QStringLiteral("--dest=org.norvane.Helper"), QStringLiteral("/org/norvane/Helper"),
                     QStringLiteral("org.norvane.Helper1.StartTunnel"), QStringLiteral("string:") + folder});
        QVERIFY(call.waitForFinished(30000));
        const QString answer = QString::fromUtf8(call.readAll());
        QVERIFY2(answer.contains(QStringLiteral("org.norvane.Helper1.Error.Refused: ") + error),
                 qPrintable(answer));
        QCOMPARE(E2e::OpenVpnProcesses(), 0);
    }
};

QTEST_GUILESS_MAIN(TestClientProcess)
#include "testclientprocess.moc"
