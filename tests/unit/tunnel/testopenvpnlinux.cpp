#include "fakesystemservices.h"
#include "linux/openvpnlinux.h"
#include "logcapture.h"
#include "runscript.h"
#include "settings/vpnsettings.h"
#include "temphome.h"
#include "tunnel/openvpnmgmt.h"
#include "tunnel/servicecontroller.h"

#include <QFile>
#include <QPointer>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <functional>
#include <utility>

namespace {

// Stands in for the OpenVPN program: a service that starts and stops as told, and a management
// interface that goes through the opening of a real OpenVPN 2.6 session by itself (the hold,
// then the request for the credentials). What OpenVPN says after that is up to the script.
class FakeOpenVpn final : public ServiceController
{
public:
    FakeOpenVpn()
    {
        server.listen(QHostAddress::LocalHost, 0);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* peer = socket = server.nextPendingConnection();
            ++connections;
            connect(peer, &QTcpSocket::readyRead, this, [this, peer] { OnCommand(peer->readAll()); });
            if (password.isEmpty())
                Greet();
            else
                Send("ENTER PASSWORD:");
        });
    }

    // "runs", "refused", "fails" (accepted, then reported failed) or "stalls": never running.
    QString onStart = QStringLiteral("runs");
    // "ends": reports EXITING and closes the management connection; "hangs": neither.
    QString onStop = QStringLiteral("ends");
    int starts = 0;
    int stops = 0;
    int connections = 0;
    QString password;
    QByteArray received;
    QTcpServer server;
    QPointer<QTcpSocket> socket;

    void Send(const QByteArray& data) const
    {
        if (socket)
            socket->write(data);
    }
    // OpenVPN killed: its management connection closes and the service reports its end.
    void Die()
    {
        if (socket)
            socket->disconnectFromHost();
        m_running = false;
        emit EndedUnexpectedly(QStringLiteral("OpenVPN ended on its own, exit code 9"));
    }

    bool IsInstalled() const override { return true; }
    bool IsRunning() const override { return m_running; }
    bool IsStopping() const override { return m_stopping; }
    QString ManagementPassword() const override { return password; }
    bool Start() override
    {
        ++starts;
        m_running = onStart == QLatin1String("runs");
        if (onStart == QLatin1String("fails"))
            QTimer::singleShot(0, this, [this] { emit StartFailed(QStringLiteral("conn.ovpn refused")); });
        return onStart != QLatin1String("refused");
    }
    void Stop() override
    {
        ++stops;
        if (std::exchange(m_stopping, true))
            return;
        if (onStop == QLatin1String("ends") && socket) {
            socket->write(">STATE:1796580774,EXITING,SIGTERM,,,,,\r\n");
            socket->disconnectFromHost();
        }
        QTimer::singleShot(0, this, [this] {
            m_running = m_stopping = false;
            emit StopFinished(true);
        });
    }

private:
    void Greet() const
    {
        Send(">INFO:OpenVPN Management Interface Version 5 -- type 'help' for more info\r\n"
             ">HOLD:Waiting for hold release:0\r\n");
    }
    void OnCommand(const QByteArray& data)
    {
        received += data;
        if (data == password.toLatin1() + '\n') {
            Send("SUCCESS: password is correct\r\n");
            Greet();
        }
        if (data.contains("hold release\n"))
            Send("SUCCESS: real-time state notification set to ON\r\nSUCCESS: hold release succeeded\r\n"
                 ">PASSWORD:Need 'Auth' username/password\r\n");
        if (data.contains("password \"Auth\""))
            Send(
                "SUCCESS: 'Auth' password entered, but not yet verified\r\n>STATE:1796580774,WAIT,,,,,,\r\n");
    }

    bool m_running = false;
    bool m_stopping = false;
};

} // namespace

// The Linux tunnel controller driven step by step against the fake OpenVPN; the same controller
// against a real OpenVPN is TestOpenVpnIntegration.
//
// Steps: key <credential> | connect <protocol> <port> <server> | ptp | ptpdown | disconnect |
//   exit | changeip | send <lines OpenVPN writes, once connected> | part <text without line end> |
//   close (OpenVPN closes the management connection) | unlisten management|changeip | listen |
//   die (OpenVPN killed) | limit <ms of the attempt limit> | wait <ms> |
//   onstart refused|fails|stalls | onstop hangs | mgmtpassword <password> | tcpPort <n> | smtp [mail server]
//   | proxy | delay <ms before the management connection> | configpath <path>
// Checks, "=" at once and "~" within five seconds: events <e,...> | sent <commands> |
//   starts|stops|connections <n> | status <those of: checking connecting connected managed open
//   unreachable serviceproblem> | config <text in it> | tail <its end> | files <those existing,
//   +shared unless owner-only> | auth <its text> | unlogged <text>
// In texts "|" is a line end. Events and commands checked are taken: a check sees later ones.
class TestOpenVpnLinux final : public QObject
{
    Q_OBJECT

private:
    struct Rig
    {
        LogCapture log;
        TempHome home;
        FakeSystemServices services {home.Path()};
        VPNSettings settings;
        OpenVpnTimings timings;
        FakeOpenVpn* fake = new FakeOpenVpn;
        OpenVpnLinux tunnel {settings, services, std::unique_ptr<ServiceController>(fake)};
        QTcpServer changeIpListener;
        QStringList events;
        int eventsTaken = 0;
        int sentTaken = 0;

        Rig()
        {
            QFile ca(home.Path() + QStringLiteral("/ca.crt"));
            QVERIFY(ca.open(QIODevice::WriteOnly) && ca.write("test ca\n") == 8);
            tunnel.SetCaSourceFile(ca.fileName());
            tunnel.SetPtpServer(QStringLiteral("192.0.2.44"));
            tunnel.SetManagementPort(fake->server.serverPort());
            tunnel.SetCredentials(QStringLiteral("nk5key"), QStringLiteral("nk5key"));
            // Service checks 5 ms apart, four of them; the management connection 5 ms after;
            // failures reported after 10 ms; a reported end awaited for 200 ms.
            timings = {5, 4, 5, 10, 200, 5000};
            tunnel.SetTimings(timings);
            // The server side of the fake tunnel address 127.0.13.22.
            QVERIFY(changeIpListener.listen(QHostAddress(QStringLiteral("127.0.12.1")), 0));
            tunnel.SetChangeIpPort(changeIpListener.serverPort());
            using T = OpenVpnGeneric;
            for (const auto& [signal, event] :
                 {std::pair(&T::Connected, "up"), std::pair(&T::Disconnected, "down"),
                  std::pair(&T::ConnectedPtP, "ptpup"), std::pair(&T::DisconnectedPtP, "ptpdown"),
                  std::pair(&T::DisconnectedOnExit, "exit"), std::pair(&T::ChangeIpMessageSent, "ipsent"),
                  std::pair(&T::ChangeIpMessageError, "iperror")}) {
                const char* name = event;
                QObject::connect(&tunnel, signal, &tunnel, [this, name] { events << QLatin1String(name); });
            }
            QObject::connect(&tunnel, &T::FatalErrorReported, &tunnel,
                             [this](const QString& text) { events << QStringLiteral("fatal ") + text; });
        }

        void Step(const QString& step)
        {
            const QString verb = step.section(QLatin1Char(' '), 0, 0);
            const QString arg = step.section(QLatin1Char(' '), 1);
            if (verb.startsWith(QLatin1Char('=')) || verb.startsWith(QLatin1Char('~')))
                return Check(verb, arg);
            const QMap<QString, std::function<void()>> actions = {
                {QStringLiteral("key"), [&] { tunnel.SetCredentials(arg, arg); }},
                {QStringLiteral("connect"),
                 [&] {
                     tunnel.ConnectToServer(arg.section(QLatin1Char(' '), 2),
                                            arg.section(QLatin1Char(' '), 1, 1).toInt(),
                                            arg.section(QLatin1Char(' '), 0, 0));
                 }},
                {QStringLiteral("ptp"), [&] { tunnel.ConnectPtPServer(); }},
                {QStringLiteral("ptpdown"), [&] { tunnel.DisconnectPtPServer(); }},
                {QStringLiteral("disconnect"), [&] { tunnel.DisconnectFromServer(); }},
                {QStringLiteral("exit"), [&] { tunnel.DisconnectOnExit(); }},
                {QStringLiteral("changeip"), [&] { tunnel.ChangeIp(); }},
                {QStringLiteral("send"), [&] { fake->Send(arg.toLatin1().replace('|', "\r\n") + "\r\n"); }},
                {QStringLiteral("part"), [&] { fake->Send(arg.toLatin1().replace('|', "\r\n")); }},
                {QStringLiteral("close"), [&] { fake->socket->disconnectFromHost(); }},
                {QStringLiteral("unlisten"),
                 [&] { (arg == QLatin1String("management") ? fake->server : changeIpListener).close(); }},
                {QStringLiteral("listen"),
                 [&] { QVERIFY(fake->server.listen(QHostAddress::LocalHost, tunnel.ManagementPort())); }},
                {QStringLiteral("die"), [&] { fake->Die(); }},
                {QStringLiteral("limit"),
                 [&] {
                     timings.connectAttemptLimitMs = arg.toInt();
                     tunnel.SetTimings(timings);
                 }},
                {QStringLiteral("wait"), [&] { QTest::qWait(arg.toInt()); }},
                {QStringLiteral("onstart"), [&] { fake->onStart = arg; }},
                {QStringLiteral("onstop"), [&] { fake->onStop = arg; }},
                {QStringLiteral("mgmtpassword"), [&] { fake->password = arg; }},
                {QStringLiteral("tcpPort"), [&] { settings.tcpPort = arg.toInt(); }},
                {QStringLiteral("smtp"),
                 [&] {
                     settings.smtpEnabled = true;
                     settings.smtpAddress = arg;
                 }},
                {QStringLiteral("proxy"),
                 [&] {
                     settings.SetProxy(VPNSettings::Http, QStringLiteral("10.0.0.5"), QStringLiteral("8080"));
                     settings.SetProxyAuthentication(true, QStringLiteral("bob"), QStringLiteral("pw"));
                 }},
                {QStringLiteral("delay"),
                 [&] {
                     timings.managementConnectDelayMs = arg.toInt();
                     tunnel.SetTimings(timings);
                 }},
                {QStringLiteral("configpath"), [&] { tunnel.SetConfigFilePath(arg); }}};
            const auto action = actions.find(verb);
            QVERIFY2(action != actions.end(), qPrintable(QStringLiteral("unknown step ") + step));
            (*action)();
        }

        void Check(const QString& verb, const QString& expected)
        {
            const QString what = verb.mid(1);
            if (verb.startsWith(QLatin1Char('~')))
                QTRY_COMPARE(Actual(what, expected), expected);
            else
                QCOMPARE(Actual(what, expected), expected);
            if (what == QLatin1String("events"))
                eventsTaken += expected.isEmpty() ? 0 : int(expected.count(QLatin1Char(',')) + 1);
            if (what == QLatin1String("sent"))
                sentTaken += int(expected.size());
        }

        QString Actual(const QString& what, const QString& expected) const
        {
            const auto text = [](const QString& path) {
                QFile file(path);
                return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
            };
            const auto file = [](const char* name, const QString& path) {
                const bool shared = QFile(path).permissions() & 0x0077;
                return QFile::exists(path) ? QLatin1String(name) + QLatin1String(shared ? "+shared " : " ")
                                           : QString();
            };
            const QString authPath = tunnel.ProxyAuthFilePath();
            const QString config = text(tunnel.ConfigFilePath()).replace(QLatin1Char('\n'), QLatin1Char('|'));
            const QString wanted = QString(expected).replace(QStringLiteral("$auth"), authPath);
            QStringList flags;
            for (const auto& [set, flag] : {std::pair(tunnel.IsServiceCheckRunning(), "checking"),
                                            std::pair(tunnel.IsConnecting(), "connecting"),
                                            std::pair(tunnel.IsConnected(), "connected"),
                                            std::pair(tunnel.IsManagementActive(), "managed"),
                                            std::pair(tunnel.Management()->IsConnected(), "open"),
                                            std::pair(!tunnel.ServerReachable(), "unreachable"),
                                            std::pair(!tunnel.ServiceOk(), "serviceproblem")}) {
                if (set)
                    flags << QLatin1String(flag);
            }
            const QMap<QString, QString> values
                = {{QStringLiteral("events"), events.mid(eventsTaken).join(QLatin1Char(','))},
                   {QStringLiteral("sent"),
                    QString::fromLatin1(fake->received.mid(sentTaken))
                        .replace(QLatin1Char('\n'), QLatin1Char('|'))},
                   {QStringLiteral("starts"), QString::number(fake->starts)},
                   {QStringLiteral("stops"), QString::number(fake->stops)},
                   {QStringLiteral("connections"), QString::number(fake->connections)},
                   {QStringLiteral("status"), flags.join(QLatin1Char(' '))},
                   {QStringLiteral("config"), config.contains(wanted) ? expected : config},
                   {QStringLiteral("tail"), config.endsWith(wanted) ? expected : config},
                   {QStringLiteral("files"),
                    (file("config", tunnel.ConfigFilePath()) + file("auth", authPath)).trimmed()},
                   {QStringLiteral("auth"), text(authPath).replace(QLatin1Char('\n'), QLatin1Char('|'))},
                   {QStringLiteral("unlogged"),
                    log.All().contains(expected, Qt::CaseInsensitive) ? QStringLiteral("logged") : expected}};
            return values.value(what, QStringLiteral("unknown check ") + what);
        }
    };

    // The steps of a script, separated by semicolons. "attempt" stands for a connection to
    // 198.51.100.1 over UDP up to the credentials sent, "up" for that and the tunnel reported up.
    static QStringList Expand(QString script)
    {
        const auto macro = [&script](const char* name, const QString& steps) {
            script.replace(QRegularExpression(QStringLiteral("(^|; )%1(?=;|$)").arg(QLatin1String(name))),
                           QStringLiteral("\\1") + steps);
        };
        // clang-format off
        macro("up", QStringLiteral("attempt; send >STATE:1796580774,CONNECTED,SUCCESS,127.0.13.22,198.51.100.1,1194,,; ~events up"));
        macro("attempt", QStringLiteral(R"(connect UDP 1194 198.51.100.1; ~sent state on|hold release|username "Auth" "NK5KEY"|password "Auth" "NK5KEY"|)"));
        // clang-format on
        return script.split(QStringLiteral("; "));
    }

private slots:
    void scripts_data()
    {
        QTest::addColumn<QString>("script");
        // clang-format off
        QTest::newRow("point-to-point: its own credential, server and signals, TCP 443, no mail route")
            << QStringLiteral(R"(tcpPort 80; smtp 192.0.2.25; ptp; ~sent state on|hold release|username "Auth" "7C2A41E8-5D93-4B06-9F1E-3A8B6D20C457"|password "Auth" "7C2A41E8-5D93-4B06-9F1E-3A8B6D20C457"|; =config remote 192.0.2.44 443|proto tcp-client|; =tail verb 4|; send >STATE:1796580774,CONNECTED,SUCCESS,127.0.13.22,198.51.100.1,1194,,; ~events ptpup; ptpdown; =events; ~events ptpdown; wait 250; =events; ~status)");
        QTest::newRow("exit: two calls, one end once OpenVPN reports it, the deadline cancelled")
            << QStringLiteral("up; exit; exit; =events; =stops 1; ~events down,exit; wait 250; =events; ~status");
        QTest::newRow("exit: OpenVPN hangs, the deadline ends the tunnel")
            << QStringLiteral("onstop hangs; up; exit; =events; ~events down,exit; wait 250; =events; ~status");
        QTest::newRow("a new attempt waits for the old OpenVPN's stop and cancels its deadline")
            << QStringLiteral("onstop hangs; up; disconnect; up; =stops 2; =starts 2; wait 250; =events; =status connected managed open");
        QTest::newRow("exit without a tunnel completes within the call")
            << QStringLiteral("exit; =events exit; =stops 0");
        QTest::newRow("a start under way is cancelled with its end at once")
            << QStringLiteral("connect UDP 1194 198.51.100.1; =status checking; disconnect; =events down; =stops 1; wait 200; =connections 0; =events");
        QTest::newRow("exit before the management connection completes within the call")
            << QStringLiteral("delay 150; connect UDP 1194 198.51.100.1; ~status connecting; exit; =events down,exit; =stops 1; wait 200; =connections 0; =events");
        QTest::newRow("OpenVPN ends before its management port opens: a service problem, reported at once")
            << QStringLiteral("unlisten management; connect UDP 1194 198.51.100.1; ~status connecting; wait 50; =events; die; =events down; =status serviceproblem; wait 100; =events");
        QTest::newRow("a management port opened late is reached by a later try")
            << QStringLiteral(R"(unlisten management; connect UDP 1194 198.51.100.1; ~status connecting; wait 30; listen; ~sent state on|hold release|username "Auth" "NK5KEY"|password "Auth" "NK5KEY"|; =events)");
        QTest::newRow("the attempt's limit: no management session a service problem, no CONNECTED the server unavailable")
            << QStringLiteral("limit 300; unlisten management; connect UDP 1194 198.51.100.1; wait 100; =events; ~events down; =status serviceproblem; listen; attempt; ~events down; =status unreachable; =stops 2");
        QTest::newRow("OpenVPN killed while connected: one end, a service problem")
            << QStringLiteral("up; die; ~events down; wait 250; =events; =status serviceproblem");
        QTest::newRow("OpenVPN refused to start, then never running: a service problem each time")
            << QStringLiteral("onstart refused; connect UDP 1194 198.51.100.1; ~events down; =status serviceproblem; onstart stalls; connect UDP 1194 198.51.100.1; =status checking; ~events down; =status serviceproblem; =starts 2; =connections 0");
        QTest::newRow("the helper refuses an accepted start: a service problem at once, no more checks")
            << QStringLiteral("onstart fails; connect UDP 1194 198.51.100.1; ~status serviceproblem; ~events down; =starts 1; =connections 0");
        QTest::newRow("the management password is answered before anything else and never logged")
            << QStringLiteral(R"(mgmtpassword 9f3c1e; connect UDP 1194 198.51.100.1; ~sent 9f3c1e|state on|hold release|username "Auth" "NK5KEY"|password "Auth" "NK5KEY"|; =unlogged 9f3c1e)");
        QTest::newRow("a server address with a line break, an unwritable configuration: service problems, nothing started")
            << QStringLiteral("connect UDP 1194 10.1.2.3\nup /bin/sh; ~events down; =status serviceproblem; =files; configpath /proc/norvane-none/conn.ovpn; connect UDP 1194 198.51.100.1; ~events down; =status serviceproblem; =starts 0");
        QTest::newRow("proxy credentials: an owner-only file the configuration names, gone after disconnect")
            << QStringLiteral(R"(proxy; connect TCP 443 10.1.2.3; =files config auth; =config http-proxy 10.0.0.5 8080 "$auth" basic|; =auth bob|pw|; disconnect; =files config)");
        QTest::newRow("TCP with the port option 80 goes to port 80; mail is routed outside the tunnel")
            << QStringLiteral("tcpPort 80; smtp 192.0.2.25; connect TCP 1194 198.51.100.1; =config remote 198.51.100.1 80|; ~starts 1; =tail verb 4|route 192.0.2.25 255.255.255.255 net_gateway|");
        QTest::newRow("only TCP takes the port option, and only 80; a failed mail lookup still starts")
            << QStringLiteral("tcpPort 80; smtp; connect UDP 1194 198.51.100.1; =config remote 198.51.100.1 1194|; ~starts 1; =tail verb 4|; tcpPort 443; connect TCP 1194 198.51.100.1; =config remote 198.51.100.1 1194|");
        // OpenVPN asked to stop keeps the connection open a while: a hold released meanwhile would show.
        QTest::newRow("TLS error: the server unreachable, OpenVPN stopped, its next hold kept")
            << QStringLiteral("onstop hangs; attempt; send >STATE:1796580781,RECONNECTING,tls-error,,,,,|>HOLD:Waiting for hold release:1; ~stops 1; wait 50; =sent; close; ~events down; ~status unreachable");
        QTest::newRow("the tunnel lost: one end, OpenVPN's own restart not released")
            << QStringLiteral("onstop hangs; up; send >STATE:1796580790,RECONNECTING,ping-restart,,,,,|>HOLD:Waiting for hold release:16; ~stops 1; wait 50; =sent; close; ~events down; wait 50; =events; ~status");
        QTest::newRow("OpenVPN closes the management connection: one end, no deadline after it, a service problem")
            << QStringLiteral("up; close; ~events down; wait 250; =events; =stops 1; =status serviceproblem");
        QTest::newRow("credentials with a control character: not sent, OpenVPN stopped")
            << QStringLiteral("key nk5\x7fkey; connect UDP 1194 198.51.100.1; ~stops 1; wait 50; =sent state on|hold release|");
        QTest::newRow("a password prompt of another realm is never answered: OpenVPN stopped, a service problem")
            << QStringLiteral("attempt; send >PASSWORD:Need 'HTTP Proxy' username/password; ~stops 1; ~events down; =sent; =status serviceproblem");
        QTest::newRow("CONNECTED with an error or a short address is no success: OpenVPN stopped, a service problem")
            << QStringLiteral("attempt; send >STATE:1796580774,CONNECTED,ERROR,198.18.0.2,198.51.100.1,1194,,; ~events down; =status serviceproblem; attempt; send >STATE:1796580774,CONNECTED,SUCCESS,10.1,198.51.100.1,1194,,; ~events down; =stops 2");
        QTest::newRow("FATAL: its text reported, then the end")
            << QStringLiteral("attempt; send >FATAL:Cannot open TUN/TAP dev /dev/net/tun: No such device (errno=19); close; ~events fatal Cannot open TUN/TAP dev /dev/net/tun: No such device (errno=19),down; =status serviceproblem");
        QTest::newRow("a line that arrives in pieces counts once it is complete")
            << QStringLiteral("attempt; part >STATE:1796580774,CONN; wait 20; =events; send ECTED,SUCCESS,127.0.13.22,198.51.100.1,1194,,; ~events up");
        QTest::newRow("change-IP: the message goes to the tunnel's server side, refused there an error; the key never logged")
            << QStringLiteral("up; changeip; ~events ipsent; unlisten changeip; changeip; ~events iperror; =unlogged nk5key");
        // clang-format on
    }

    void scripts()
    {
        QFETCH(QString, script);
        Rig rig;
        RunScript(Expand(script), [&rig](const QString& step) { rig.Step(step); });
    }
};

QTEST_GUILESS_MAIN(TestOpenVpnLinux)
#include "testopenvpnlinux.moc"
