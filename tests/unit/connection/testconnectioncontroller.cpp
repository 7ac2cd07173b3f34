#include "connection/connectioncontroller.h"
#include "connection/vpnipmanager.h"
#include "fakeapi.h"
#include "fakeclock.h"
#include "fakesystemservices.h"
#include "logcapture.h"
#include "platform/trafficblock.h"
#include "runscript.h"
#include "scriptedtunnel.h"
#include "servers/vpnservermanager.h"
#include "settings/settingsfile.h"
#include "settings/settingsstore.h"
#include "temphome.h"

#include <QTest>

// The connection workflow driven step by step: the service's answers, the tunnel's reports and
// the passing of time are steps of a script, and so are the checks. Nothing waits for real time.
//
// Steps: set <setting> | unset killSwitch | apply | blockfails <error> | start | localip <ip> | servers |
// anchor | listerror | select <row> |
//   connect | cancel | disconnect | changeip | retry | signout | shutdown | net on|off | wait <ms> |
//   remoteip <ip> | shown yes|no (whether the time connected is shown; counting updates from here) |
//   tunnel connecting|connected|disconnected|ptpup|startfailed|changeipsent|line <text>
// Checks: =state <name> | =status <text> | =time <h:mm:ss> | =newip <text> | =api <calls,...> |
//   =tunnel <calls,...> | =block <calls,...> | =events <event|...> | =allowed yes|no | =cancel yes|no |
//   =offered yes|no | =log <text the log contains> | =saved <settings file fields> | =local <address> at <ms>
//   | =applied <list type> <API proxy host> | =updates <status changes since the last such check>.
// Records what the workflow asks of the kill switch.
class RecordingTrafficBlock final : public TrafficBlock
{
public:
    void Block(const QString& serverAddress, int port, const QString& protocol) override
    {
        calls << QStringLiteral("block %1 %2 %3").arg(serverAddress).arg(port).arg(protocol);
    }
    void Unblock() override { calls << QStringLiteral("unblock"); }
    QStringList calls;
};

class TestConnectionController final : public QObject
{
    Q_OBJECT

private:
    struct Rig
    {
        LogCapture log;
        TempHome home;
        FakeSystemServices system {home.Path()};
        FakeClock clock;
        FakeApi api;
        SettingsStore settings {GetSettingsFilePath(system)};
        VPNServerManager catalog {settings.Settings()};
        VPNIpManager ipManager {api, clock};
        ScriptedTunnel tunnel {settings.Settings(), system};
        ConnectionController controller {tunnel, api, ipManager, catalog, settings, system, clock};
        RecordingTrafficBlock trafficBlock;
        QList<VPNServer> servers;
        QStringList events;
        int statusChanges = 0;

        Rig()
        {
            QObject::connect(&controller, &ConnectionController::StatusChanged, [this] { ++statusChanges; });
            QObject::connect(&api, &VPNApi::RequestEntityIpReceived, &ipManager, &VPNIpManager::SetGenericIp);
            tunnel.SetPtpServer(QStringLiteral("198.51.100.9"));
            controller.SetTrafficBlock(&trafficBlock);
            VPNServer udp;
            udp.name = QStringLiteral("Germany Frankfurt");
            udp.address = QStringLiteral("198.51.100.1");
            udp.port = 1194;
            VPNServer anchored = udp;
            anchored.name = QStringLiteral("Japan Tokyo");
            anchored.address = QStringLiteral("198.51.100.2");
            anchored.anchored = true;
            VPNServer tcp = udp;
            tcp.name = QStringLiteral("France Paris");
            tcp.address = QStringLiteral("198.51.100.3");
            tcp.protocol = VPNServer::Tcp;
            servers = {udp, anchored, tcp};
            using C = ConnectionController;
            const auto record = [this](auto signal, const char* event) {
                QObject::connect(&controller, signal, [this, event] { events << QLatin1String(event); });
            };
            record(&C::InitializationStarted, "init");
            record(&C::InitializationFinished, "main");
            record(&C::ErrorResolved, "resolved");
            record(&C::ConnectionEstablished, "up");
            record(&C::ConnectionDropped, "down");
            record(&C::SignOutFinished, "signedout");
            record(&C::ShutdownFinished, "exit");
            QObject::connect(&controller, &C::ErrorOccurred, [this](const QString& text) {
                events << QStringLiteral("error ") + TextName(text);
            });
            QObject::connect(&controller, &C::DisconnectReasonFound,
                             [this](const QString& text, bool restart) {
                                 events << QStringLiteral("reason ") + TextName(text)
                                         + (restart ? QStringLiteral(" restart") : QString());
                             });
        }

        static QString TextName(const QString& text)
        {
            const QPair<QString, const char*> names[]
                = {{ConnectionController::IpErrorText(), "ip"},
                   {ConnectionController::OpenVpnErrorText(), "openvpn"},
                   {ConnectionController::ConnectionErrorText(), "dropped"},
                   {ConnectionController::ServerUnavailableText(), "unavailable"},
                   {ConnectionController::NoNetworkText(), "nonetwork"},
                   {ConnectionController::NetworkErrorText(), "network"},
                   {ConnectionController::TrafficBlockErrorText(), "trafficblock"}};
            for (const auto& name : names) {
                if (name.first == text)
                    return QLatin1String(name.second);
            }
            return text;
        }

        void Step(const QString& step)
        {
            const QString verb = step.section(QLatin1Char(' '), 0, 0);
            const QString arg = step.section(QLatin1Char(' '), 1);
            if (verb.startsWith(QLatin1Char('=')))
                return Check(verb.mid(1), arg);
            if (verb == QLatin1String("set")) {
                VPNSettings& record = settings.Settings();
                record.autoConnect |= arg == QLatin1String("autoConnect");
                record.forcedIpChangeEnabled |= arg == QLatin1String("forcedIpChangeEnabled");
                record.serversOnMainScreen |= arg == QLatin1String("serversOnMainScreen");
                record.pointToPointEnabled |= arg == QLatin1String("pointToPointEnabled");
                record.blockTrafficWhenDown |= arg == QLatin1String("killSwitch");
                if (arg == QLatin1String("tcp80")) {
                    record.tcpServersEnabled = true;
                    record.tcpPort = 80;
                }
                if (arg == QLatin1String("proxy"))
                    record.SetProxy(VPNSettings::Http, QStringLiteral("proxy.lan"), QStringLiteral("3128"));
                if (arg.startsWith(QLatin1String("autoIpChangeMinutes=")))
                    record.autoIpChangeMinutes = arg.section(QLatin1Char('='), 1).toInt();
            } else if (verb == QLatin1String("unset")) {
                settings.Settings().blockTrafficWhenDown = false;
            } else if (verb == QLatin1String("blockfails")) {
                emit trafficBlock.BlockFailed(arg);
            } else if (verb == QLatin1String("apply")) {
                controller.ApplyConfiguration();
            } else if (verb == QLatin1String("start")) {
                controller.SetAccountKey(QStringLiteral("KEY-1"));
                controller.Initialize();
            } else if (verb == QLatin1String("localip") || verb == QLatin1String("remoteip")) {
                emit api.RequestEntityIpReceived(arg == QLatin1String("none") ? QString() : arg);
            } else if (verb == QLatin1String("servers")) {
                catalog.SetServerLists(servers, {});
            } else if (verb == QLatin1String("anchor")) {
                catalog.SetAssignedAddress(arg);
            } else if (verb == QLatin1String("listerror")) {
                emit api.ServerListErrorOccured();
            } else if (verb == QLatin1String("select")) {
                const int row = arg.toInt();
                controller.SelectServer(row, row < servers.size() ? &servers.at(row) : nullptr);
            } else if (verb == QLatin1String("shown")) {
                statusChanges = 0;
                controller.SetTimeConnectedShown(arg == QLatin1String("yes"));
            } else if (verb == QLatin1String("net")) {
                system.SetInternetConnected(arg == QLatin1String("on"));
            } else if (verb == QLatin1String("wait")) {
                clock.Advance(arg.toLongLong());
            } else if (verb == QLatin1String("netchange")) {
                controller.OnNetworkChanged(arg);
            } else if (verb == QLatin1String("tunnel")) {
                Tunnel(arg);
            } else {
                const QMap<QString, void (ConnectionController::*)()> actions
                    = {{QStringLiteral("connect"), &ConnectionController::Connect},
                       {QStringLiteral("cancel"), &ConnectionController::CancelConnect},
                       {QStringLiteral("disconnect"), &ConnectionController::Disconnect},
                       {QStringLiteral("changeip"), &ConnectionController::ChangeIP},
                       {QStringLiteral("retry"), &ConnectionController::Retry},
                       {QStringLiteral("signout"), &ConnectionController::SignOut},
                       {QStringLiteral("shutdown"), &ConnectionController::Shutdown}};
                QVERIFY2(actions.contains(verb), qPrintable(QStringLiteral("unknown step ") + step));
                (controller.*actions.value(verb))();
            }
        }

        void Tunnel(const QString& report)
        {
            if (report == QLatin1String("connecting"))
                tunnel.ReportConnecting();
            else if (report == QLatin1String("connected"))
                // A tunnel address on loopback: the change-IP message then goes nowhere else.
                tunnel.ProcessManagementOutput(
                    QStringLiteral(">STATE:1796580774,CONNECTED,SUCCESS,127.0.0.2,198.51.100.1,1194,,\n"));
            else if (report == QLatin1String("disconnected"))
                tunnel.ReportDisconnected();
            else if (report == QLatin1String("ptpup"))
                tunnel.ReportConnectedPtP();
            else if (report == QLatin1String("startfailed"))
                tunnel.ReportStartFailed();
            else if (report == QLatin1String("changeipsent"))
                emit tunnel.ChangeIpMessageSent();
            else if (report.startsWith(QLatin1String("line ")))
                tunnel.ProcessManagementOutput(report.mid(5) + QLatin1Char('\n'));
            else
                QFAIL(qPrintable(QStringLiteral("unknown tunnel report ") + report));
        }

        QString SavedFields() const
        {
            VPNSettings saved;
            SettingsFile::Read(settings.FilePath(), saved);
            return QStringLiteral("lastUsedServer=%1 tcp=%2 port=%3 list=%4")
                .arg(saved.lastUsedServer)
                .arg(int(saved.tcpServersEnabled))
                .arg(saved.tcpPort)
                .arg(catalog.ListType() == VPNServerManager::TcpList ? QStringLiteral("tcp")
                                                                     : QStringLiteral("udp"));
        }

        void Check(const QString& what, const QString& expected)
        {
            const auto yes = [](bool value) { return value ? QStringLiteral("yes") : QStringLiteral("no"); };
            QString actual;
            if (what == QLatin1String("state"))
                actual = ConnectionController::StateName(controller.CurrentState());
            else if (what == QLatin1String("status"))
                actual = controller.StatusText();
            else if (what == QLatin1String("time"))
                actual = controller.TimeConnectedText();
            else if (what == QLatin1String("newip"))
                actual = controller.NewIpText();
            else if (what == QLatin1String("api"))
                actual = api.TakeCalls().join(QLatin1Char(','));
            else if (what == QLatin1String("tunnel")) {
                actual = tunnel.Calls().join(QLatin1Char(','));
                tunnel.ClearCalls();
            } else if (what == QLatin1String("block")) {
                actual = std::exchange(trafficBlock.calls, {}).join(QLatin1Char(','));
            } else if (what == QLatin1String("events"))
                actual = std::exchange(events, {}).join(QLatin1Char('|'));
            else if (what == QLatin1String("allowed"))
                actual = yes(controller.ConnectAllowed());
            else if (what == QLatin1String("cancel"))
                actual = yes(controller.CancelAllowed());
            else if (what == QLatin1String("offered"))
                actual = yes(controller.ChangeIpOffered());
            else if (what == QLatin1String("local")) // the local address and when the connection began
                actual = controller.LocalIp() + QStringLiteral(" at ")
                    + QString::number(
                             clock.Now().addMSecs(-clock.ElapsedMs()).msecsTo(controller.ConnectedSince()));
            else if (what == QLatin1String("applied")) // the list shown and the API client's proxy
                actual = QLatin1String(catalog.ListType() == VPNServerManager::TcpList ? "tcp " : "udp ")
                    + api.Queue().Proxy().hostName() + QLatin1Char('.');
            else if (what == QLatin1String("updates"))
                actual = QString::number(std::exchange(statusChanges, 0));
            else if (what == QLatin1String("saved")) // fields of the settings file, as "name=value ..."
                actual = SavedFields();
            else if (what == QLatin1String("log")) // a line of the log that the workflow owes
                actual = log.Contains(expected) ? expected : log.All().right(300);
            else
                QFAIL(qPrintable(QStringLiteral("unknown check ") + what));
            QCOMPARE(actual, expected);
        }
    };

    // The steps of a script: separated by semicolons; "ready" stands for start-up up to server
    // selection with the first server chosen, "up" for that and a connection with the new
    // address 203.0.113.77 (their events and requests are checked and taken).
    static QStringList Expand(const QString& script)
    {
        QStringList steps;
        for (const QString& part : script.split(QLatin1Char(';'))) {
            const QString step = part.trimmed();
            if (step == QLatin1String("ready") || step == QLatin1String("up")) {
                steps << Expand(
                    QStringLiteral("start; localip 192.0.2.2; servers; anchor; select 0; "
                                   "=events init|main; "
                                   "=api GetRequestEntityIp,GetServerList,GetVpnNetworkAccountIpAnchor"));
            }
            if (step == QLatin1String("up")) {
                steps << Expand(
                    QStringLiteral("connect; tunnel connected; remoteip 203.0.113.77; =events up; "
                                   "=api GetRequestEntityIp; =tunnel DoConnect"));
            }
            if (step != QLatin1String("ready") && step != QLatin1String("up"))
                steps << step;
        }
        return steps;
    }

private slots:
    void workflow_data()
    {
        QTest::addColumn<QString>("script");
        // clang-format off
        QTest::newRow("start-up ends in server selection; TCP lasts beyond a run only when asked for at start-up")
            << QStringLiteral("set tcp80; ready; =state ServerSelectState; =allowed yes; =status CLICK CONNECT TO SECURE YOUR INTERNET; =log Get anchor info.; =saved lastUsedServer= tcp=0 port=443 list=udp");
        QTest::newRow("local address fails twice, a second apart; retry starts again")
            << QStringLiteral("start; localip none; wait 999; =api GetRequestEntityIp; wait 1; =api GetRequestEntityIp; localip none; =state InitialErrorState; =events init|error network; retry; =state LocalIpState; =events init; =api GetRequestEntityIp");
        QTest::newRow("no network: nothing starts until retry finds one")
            << QStringLiteral("net off; start; =state Stopped; =events error nonetwork; =api; net on; retry; =state LocalIpState; =events init");
        QTest::newRow("auto-connect half a second after the main view")
            << QStringLiteral("set autoConnect; ready; wait 499; =tunnel; wait 1; =state ConnectingState; =tunnel DoConnect");
        QTest::newRow("server list error")
            << QStringLiteral("start; localip 192.0.2.2; listerror; =state InitialErrorState; =events init|error network");
        QTest::newRow("auto-connect does not press after an error")
            << QStringLiteral("set autoConnect; start; localip 192.0.2.2; servers; listerror; wait 600; =state InitialErrorState; =tunnel");
        QTest::newRow("sign-out during start-up: a late answer moves nothing")
            << QStringLiteral("start; localip 192.0.2.2; servers; signout; anchor; wait 1000; =state Stopped; =events init|signedout");
        QTest::newRow("connect, cancel allowed once the tunnel says so, connected with the time running")
            << QStringLiteral("ready; connect; =log Connecting to: Germany Frankfurt (198.51.100.1) Port 1194 Protocol UDP; =state ConnectingState; =status Connecting...; =cancel yes; tunnel connected; =state AssignedIpState; =cancel no; remoteip 203.0.113.77; =state ConnectedState; =status YOU ARE SECURELY CONNECTED; =time 0:00:00; =newip 203.0.113.77; =saved lastUsedServer=Germany Frankfurt tcp=0 port=443 list=udp; =local 192.0.2.2 at 0; wait 7000; =time 0:00:07; wait 3893000; =time 1:05:00; wait 89699000; =time 25:59:59");
        QTest::newRow("disconnect: countdown texts, connect ignored until the end, no reason; the next connection's time from zero")
            << QStringLiteral("up; disconnect; =state DisconnectingState; =tunnel DoDisconnect; tunnel disconnected; =state ServerSelectState; =events down; =status Secure Disconnection is in progress: 10%; =allowed no; wait 1000; =status Secure Disconnection is in progress: 20%; wait 9000; =status Activity Log: None found; wait 2000; =status Local IP Log: None found; wait 2000; =status Assigned IP: Cleared; connect; =tunnel; wait 1999; =allowed no; wait 1; =allowed yes; =log Delay between reconnects finished.; =status CLICK CONNECT TO SECURE YOUR INTERNET; =events; connect; =state ConnectingState; tunnel connected; remoteip 203.0.113.78; =time 0:00:00");
        QTest::newRow("hidden, the time stops ticking and is right again when shown")
            << QStringLiteral("up; shown yes; wait 3000; =updates 3; shown no; wait 60000; =updates 0; =time 0:01:03; shown yes; =updates 1; =time 0:01:03; wait 1000; =updates 1; =time 0:01:04");
        QTest::newRow("shown again after a disconnect: no tick, no time")
            << QStringLiteral("up; shown no; disconnect; tunnel disconnected; wait 20000; shown yes; =updates 0; wait 3000; =updates 0; =time");
        QTest::newRow("a connection made while hidden ticks once shown")
            << QStringLiteral("shown no; up; wait 4000; shown yes; =updates 1; =time 0:00:04; wait 1000; =time 0:00:05; =updates 1");
        QTest::newRow("cancel: no countdown, no reason")
            << QStringLiteral("ready; connect; cancel; =state DisconnectingState; tunnel disconnected; =allowed yes; wait 200; =events down; =status CLICK CONNECT TO SECURE YOUR INTERNET");
        QTest::newRow("a tunnel that never reports its end is taken as down")
            << QStringLiteral("up; disconnect; wait 19999; =state DisconnectingState; wait 1; =state ServerSelectState; =events down");
        QTest::newRow("the address does not change: IP error, restart offered, countdown")
            << QStringLiteral("ready; connect; tunnel connected; remoteip 192.0.2.2; wait 1000; remoteip 192.0.2.2; =state DisconnectingState; tunnel disconnected; =allowed no; wait 100; =events down|reason ip restart; =log Disconnect reason: remote IP check returns error.");
        QTest::newRow("OpenVPN cannot start: OpenVPN error, a tenth of a second after the drop")
            << QStringLiteral("ready; connect; tunnel startfailed; tunnel disconnected; wait 99; =events down; wait 1; =events reason openvpn restart; =allowed yes; =log Disconnect reason: openvpn service problem.");
        QTest::newRow("an established tunnel drops: the server's fault")
            << QStringLiteral("up; tunnel disconnected; wait 100; =events down|reason dropped restart; =time; =log Disconnect reason: server dropped connection.");
        QTest::newRow("network change while connected: down at once, reason, countdown")
            << QStringLiteral("up; netchange resumed; =state DisconnectingState; =tunnel DoDisconnect; netchange again; =tunnel; tunnel disconnected; =allowed no; wait 100; =events down|reason dropped restart; =log Disconnect reason: network changed (resumed).; wait 16000; =allowed yes");
        QTest::newRow("network change while connecting ends the attempt too")
            << QStringLiteral("ready; connect; netchange route; =state DisconnectingState; tunnel disconnected; wait 100; =events down|reason dropped restart");
        QTest::newRow("network change without a tunnel: nothing happens")
            << QStringLiteral("ready; netchange route; =state ServerSelectState; =tunnel; =events; connect; tunnel connected; remoteip 203.0.113.77; =events up; disconnect; tunnel disconnected; netchange route; wait 100; =events down; =allowed no");
        QTest::newRow("the reason of a network change is not given to the next drop")
            << QStringLiteral("up; netchange route; tunnel disconnected; wait 16000; =events down|reason dropped restart; connect; tunnel connected; remoteip 203.0.113.78; =events up; tunnel disconnected; wait 100; =events down|reason dropped restart; =log Disconnect reason: server dropped connection.");
        QTest::newRow("TLS error: server unavailable, no restart")
            << QStringLiteral("ready; connect; tunnel line >STATE:1796580790,RECONNECTING,tls-error,,,,,; tunnel disconnected; wait 100; =events down|reason unavailable; =log Disconnect reason: server unavailable.");
        QTest::newRow("FATAL: OpenVPN's text in the error view; retry shows the main view with the reason")
            << QStringLiteral("ready; connect; tunnel line >FATAL:No tun device; =events error <p>OpenVPN: No tun device</p>; tunnel disconnected; wait 100; =events down|reason openvpn restart; retry; =events resolved");
        QTest::newRow("IP change: changing, checked three seconds after the message")
            << QStringLiteral("set forcedIpChangeEnabled; set serversOnMainScreen; up; =offered yes; changeip; =newip Changing...; tunnel changeipsent; wait 2999; =api; wait 1; =api GetRequestEntityIp; remoteip 203.0.113.90; =newip 203.0.113.90; =state ConnectedState");
        QTest::newRow("IP change that keeps the local address ends the connection")
            << QStringLiteral("up; =offered no; changeip; tunnel changeipsent; wait 3000; remoteip 192.0.2.2; wait 1000; remoteip 192.0.2.2; =state DisconnectingState");
        QTest::newRow("automatic IP change every five minutes")
            << QStringLiteral("set autoIpChangeMinutes=5; up; =log AutoIPChange every  5  minutes; wait 299999; =newip 203.0.113.77; wait 1; =newip Changing...");
        QTest::newRow("anchored server: no IP change, not even automatic")
            << QStringLiteral("set forcedIpChangeEnabled; set serversOnMainScreen; set autoIpChangeMinutes=5; ready; select 1; connect; tunnel connected; remoteip 203.0.113.77; =offered no; wait 600000; =newip 203.0.113.77");
        QTest::newRow("options saved during start-up: the proxy only")
            << QStringLiteral("start; localip 192.0.2.2; listerror; set proxy; set tcp80; apply; =applied udp proxy.lan.");
        QTest::newRow("options saved while connected: the TCP list and the automatic change at once")
            << QStringLiteral("up; set tcp80; set autoIpChangeMinutes=5; apply; =applied tcp .; wait 299999; =newip 203.0.113.77; wait 1; =newip Changing...");
        QTest::newRow("automatic change switched off while connected")
            << QStringLiteral("set autoIpChangeMinutes=5; up; set autoIpChangeMinutes=0; apply; =applied udp .; wait 600000; =newip 203.0.113.77");
        QTest::newRow("connect without a network: error until the network is back")
            << QStringLiteral("ready; net off; connect; =events error nonetwork; =state ServerSelectState; retry; =events; net on; retry; =events resolved");
        QTest::newRow("point-to-point that never settles: start-up goes on after a minute")
            << QStringLiteral("set pointToPointEnabled; start; wait 59999; =state PtpSettleState; wait 1; =state LocalIpState");
        QTest::newRow("point-to-point first, the local address a second after it settles; restored after a drop, without a countdown")
            << QStringLiteral("set pointToPointEnabled; start; =state PtpSettleState; =tunnel DoConnect; tunnel ptpup; =state LocalIpState; wait 999; =api; wait 1; =api GetRequestEntityIp; localip 192.0.2.2; servers; anchor; select 0; connect; tunnel connected; remoteip 203.0.113.77; disconnect; tunnel disconnected; wait 100; =state PtpRestoreState; =status Restoring Point-to-Point connection...; =allowed no; tunnel ptpup; =state ServerSelectState; =allowed yes");
        QTest::newRow("sign-out while connected waits for the tunnel")
            << QStringLiteral("up; signout; =state DisconnectingState; =events; tunnel disconnected; =state Stopped; =events down|signedout; wait 20000; =events");
        QTest::newRow("kill switch: blocked from CONNECT through a drop and the countdown until the user disconnects")
            << QStringLiteral("set killSwitch; ready; =block; connect; =block block 198.51.100.1 1194 UDP; tunnel connected; remoteip 203.0.113.77; tunnel disconnected; wait 16000; =block; select 1; connect; =block block 198.51.100.2 1194 UDP; tunnel connected; remoteip 203.0.113.78; disconnect; =block; tunnel disconnected; =block unblock; wait 16000; select 2; set proxy; connect; cancel; tunnel disconnected; =block block proxy.lan 3128 TCP,unblock");
        QTest::newRow("kill switch: a network change keeps it; sign-out and exit end it")
            << QStringLiteral("set killSwitch; up; =block block 198.51.100.1 1194 UDP; netchange route; tunnel disconnected; wait 100; =block; signout; =block unblock; start; localip 192.0.2.2; servers; anchor; select 0; connect; shutdown; =block block 198.51.100.1 1194 UDP,unblock");
        QTest::newRow("kill switch turned on while connected blocks at once, off unblocks; a failure is shown")
            << QStringLiteral("up; =block; set killSwitch; apply; =block block 198.51.100.1 1194 UDP; apply; =block; unset killSwitch; apply; =block unblock; apply; =block; set killSwitch; apply; blockfails nft: no such file; =events error trafficblock; =log Traffic cannot be blocked outside the tunnel: \"nft: no such file\"");
        QTest::newRow("exit takes the tunnel down once")
            << QStringLiteral("up; shutdown; shutdown; =tunnel DoDisconnect; =events exit");
        // clang-format on
    }

    void workflow()
    {
        QFETCH(QString, script);
        Rig rig;
        RunScript(Expand(script), [&rig](const QString& step) { rig.Step(step); });
    }
};

QTEST_GUILESS_MAIN(TestConnectionController)
#include "testconnectioncontroller.moc"
