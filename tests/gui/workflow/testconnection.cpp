#include "app/appcontext.h"
#include "fakesystemservices.h"
#include "logcapture.h"
#include "memoryaccountkeystore.h"
#include "scriptedtunnel.h"
#include "settings/settingsfile.h"
#include "simulatorfixture.h"
#include "temphome.h"
#include "widgets/vpnconnectionindicator.h"
#include "widgets/vpngraphicstextitem.h"
#include "workflow/vpnmainwindow.h"

#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTcpServer>
#include <QTest>
#include <QUrl>

#include <functional>

namespace {

// What the service sees through the scripted tunnel, and where its change-IP listener is.
const QString ExitAddress = QStringLiteral("203.0.113.77");
const QString TunnelAddress = QStringLiteral("127.0.0.5");
const QString ConnectedState
    = QStringLiteral(">STATE:1796580774,CONNECTED,SUCCESS,127.0.0.5,198.51.100.1,1194,,,,\n");

// Collects the URLs the window hands to the desktop.
class UrlSink final : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void Open(const QUrl& url) { urls.append(url); }
};

} // namespace

// Connecting, disconnecting, the reconnect countdown, the reasons of a drop and the IP change
// of the main window, with a scripted tunnel controller and the in-process service simulator.
class TestConnection final : public QObject
{
    Q_OBJECT

private:
    SimulatorFixture m_fixture;
    std::unique_ptr<ServiceSimulator> m_simulator;
    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<VPNAppContext> m_context;
    FakeSystemServices* m_services = nullptr;
    ScriptedTunnel* m_tunnel = nullptr;
    std::unique_ptr<VPNMainWindow> m_window;

    QString SettingsPath() const { return m_home->ConfigPath(QStringLiteral("norvane.xml")); }

    // Starts the window on a settings file with the servers on the main screen, shortened waits
    // and the simulator playing the tunnel's exit address; returns once server selection is reached.
    bool Start(const std::function<void(VPNSettings&)>& edit = {},
               const std::function<void(WorkflowTimings&)>& timingsEdit = {})
    {
        VPNSettings settings;
        settings.serversOnMainScreen = true;
        settings.autoLaunch = false;
        if (edit)
            edit(settings);
        QDir().mkpath(m_home->Path() + QStringLiteral("/Config"));
        if (!SettingsFile::Write(SettingsPath(), settings))
            return false;

        auto services = std::make_unique<FakeSystemServices>(m_home->Path());
        m_services = services.get();
        m_context = std::make_unique<VPNAppContext>(std::move(services));
        auto tunnel = std::make_unique<ScriptedTunnel>(m_context->Settings(), m_context->SystemServices());
        m_tunnel = tunnel.get();
        OpenVpnTimings tunnelTimings;
        tunnelTimings.failureSignalDelayMs = 10;
        m_tunnel->SetTimings(tunnelTimings);
        m_tunnel->SetAnswerDisconnect(true);
        m_window = std::make_unique<VPNMainWindow>(
            *m_context, std::move(tunnel),
            std::make_unique<MemoryAccountKeyStore>(SimulatorFixture::AccountKey()));
        WorkflowTimings timings;
        timings.ipRetryDelayMs = 10;
        timings.reconnectCountdownIntervalMs = 5;
        timings.disconnectReasonDelayMs = 5;
        timings.changeIpCheckDelayMs = 10;
        timings.connectedSnapshotDelayMs = 10;
        if (timingsEdit)
            timingsEdit(timings);
        m_window->SetTimings(timings);
        m_window->show();
        return QTest::qWaitFor([this] { return State() == QLatin1String("ServerSelectState"); }, 15000);
    }

    template<typename T = QWidget> T* Child(const char* name) const
    {
        T* child = m_window->findChild<T*>(QLatin1String(name));
        if (!child)
            qWarning() << "no child" << name;
        return child;
    }
    QString Text(const char* label) const { return Child<QLabel>(label)->text(); }
    QString State() const { return m_window->CurrentStateName(); }
    QAction* TrayEntry(const char* name) const { return Child<QAction>(name); }
    QString IndicatorText() const { return m_window->ConnectionIndicator()->MessageItem()->toPlainText(); }
    const VPNServer* Selected() const
    {
        return m_context->ServerListModel()->ServerAt(Child<QComboBox>("ServerListDropDown")->currentIndex());
    }

    // CONNECT, the hold released, OpenVPN's CONNECTED: up to the connecting state's end.
    bool BeginConnection()
    {
        Child<QPushButton>("ConnectButton")->click();
        if (!QTest::qWaitFor([this] { return State() == QLatin1String("ConnectingState"); }, 5000))
            return false;
        m_tunnel->ReportCanCancel();
        return true;
    }

    bool Connect()
    {
        m_simulator->MapExitAddress(QStringLiteral("127.0.0.1"), ExitAddress);
        if (!BeginConnection())
            return false;
        m_tunnel->ProcessManagementOutput(ConnectedState);
        return QTest::qWaitFor([this] { return State() == QLatin1String("ConnectedState"); }, 15000);
    }

    bool BackInServerSelection()
    {
        return QTest::qWaitFor(
            [this] {
                return State() == QLatin1String("ServerSelectState") && !m_window->DisconnectReasonPending();
            },
            5000);
    }

private slots:
    void initTestCase()
    {
        qunsetenv("NORVANE_ACCOUNT_KEY");
        qputenv("NORVANE_WEB_HOST", "www.norvane.example");
        QString error;
        QVERIFY2(m_fixture.Prepare(&error), qPrintable(error));
        qputenv("NORVANE_CA_FILE", m_fixture.CaPath().toUtf8());
    }

    void init()
    {
        m_simulator = m_fixture.Start();
        QVERIFY(m_simulator);
        qputenv("NORVANE_API_HOST", m_simulator->HostAndPort().toUtf8());
        m_home = std::make_unique<TempHome>();
    }

    void cleanup()
    {
        m_window.reset();
        m_context.reset();
        m_home.reset();
        m_simulator.reset();
    }

    void designedIntervals()
    {
        const WorkflowTimings designed;
        QCOMPARE(designed.timeConnectedIntervalMs, 1000);
        QCOMPARE(designed.reconnectCountdownIntervalMs, 1000);
        QCOMPARE(designed.disconnectReasonDelayMs, 100);
        QCOMPARE(designed.changeIpCheckDelayMs, 3000);
        QCOMPARE(designed.autoIpChangeMinuteMs, 60000);
        // 16 ticks of one second: the next connection waits 16 s after a user disconnect.
        QCOMPARE(VPNMainWindow::ReconnectCountdownStart * designed.reconnectCountdownIntervalMs, 16000);
    }

    void connectShowsTheConnectedView()
    {
        LogCapture log;
        QVERIFY(Start());
        const VPNServer server = *Selected();
        QVERIFY(m_context->Api().Queue().IsProxyEnabled());

        QVERIFY(BeginConnection());
        QVERIFY(log.Contains(QStringLiteral("\"Connecting to: %1 (%2) Port %3 Protocol UDP\"")
                                 .arg(server.name, server.address)
                                 .arg(server.port)));
        QCOMPARE(m_tunnel->Protocol(), QStringLiteral("UDP"));
        QCOMPARE(m_tunnel->ServerAddress(), server.address);
        QCOMPARE(m_tunnel->CallCount(QStringLiteral("DoConnect")), 1);
        QCOMPARE(Text("MainStatusLabel"), QStringLiteral("Connecting..."));
        QVERIFY(Child("ServerListDropDown")->isHidden());
        QVERIFY(Child("CancelConnectButton")->isEnabled()); // after the hold was released
        QCOMPARE(TrayEntry("trayServerAction")->text(), server.name);

        m_simulator->MapExitAddress(QStringLiteral("127.0.0.1"), ExitAddress);
        m_tunnel->ProcessManagementOutput(ConnectedState);
        QTRY_COMPARE_WITH_TIMEOUT(State(), QStringLiteral("ConnectedState"), 15000);
        QVERIFY(log.Contains(QStringLiteral("Get remote ip.")));
        // The tunnel carries the API's traffic now, not the configured proxy.
        QVERIFY(!m_context->Api().Queue().IsProxyEnabled());
        QCOMPARE(m_window->GetConnectionPhase(), VPNMainWindow::Connected);
        QCOMPARE(Text("MainStatusLabel"), QStringLiteral("YOU ARE SECURELY CONNECTED"));
        QCOMPARE(Text("MainStatusTimeLabel"), QStringLiteral("0:00:00"));
        QCOMPARE(Text("MainLocalIPLabel"), QStringLiteral("127.0.0.1"));
        QCOMPARE(Text("MainNewIPLabel"), ExitAddress);
        QVERIFY(!Child("MainIPFrame")->isHidden());
        QCOMPARE(TrayEntry("trayIpAction")->text(), ExitAddress);
        QCOMPARE(m_window->LastTrayMessage(), QStringLiteral("CONNECTED"));
        QVERIFY(m_window->ConnectionIndicator()->isVisible());
        QCOMPARE(Child("MainStatusLabel")->contextMenuPolicy(), Qt::ActionsContextMenu);
        QVERIFY(m_window->TimeConnectedTimer().isActive());
        const QStringList tip = m_window->TrayIcon()->toolTip().split(QLatin1Char('\n'));
        QCOMPARE(tip.size(), 4);
        QCOMPARE(tip.at(3), QStringLiteral("New IP: ") + ExitAddress);

        VPNSettings onDisk;
        QVERIFY(SettingsFile::Read(SettingsPath(), onDisk));
        QCOMPARE(onDisk.lastUsedServer, server.name);

        // A drop while connected gives the proxy back and shows the list again.
        m_tunnel->ReportDisconnected();
        QVERIFY(BackInServerSelection());
        QVERIFY(m_context->Api().Queue().IsProxyEnabled());
        QVERIFY(!Child("ServerListDropDown")->isHidden());
        QCOMPARE(m_window->LastTrayMessage(), QStringLiteral("DISCONNECTED"));
        QCOMPARE(Text("MainStatusTimeLabel"), QString());
        QVERIFY(!m_window->TimeConnectedTimer().isActive());
        QCOMPARE(Child("MainStatusLabel")->contextMenuPolicy(), Qt::NoContextMenu);
    }

    void userDisconnectCountsDown()
    {
        LogCapture log;
        QVERIFY(Start());
        QVERIFY(Connect());
        auto* connectButton = Child<QPushButton>("ConnectButton");
        QAction* trayConnect = TrayEntry("trayConnectAction");

        // What the user sees at the drop and at every tick of the countdown.
        QStringList texts;
        int usableBeforeTheEnd = 0;
        const auto record = [&] {
            texts << Text("MainStatusLabel");
            const bool running = m_window->ReconnectCountdownTimer().isActive();
            if (running && (connectButton->isEnabled() || trayConnect->isEnabled()))
                ++usableBeforeTheEnd;
        };
        connect(m_tunnel, &OpenVpnGeneric::Disconnected, this, record);
        connect(&m_window->ReconnectCountdownTimer(), &QTimer::timeout, this, record);

        Child<QPushButton>("DisconnectButton")->click();
        QTRY_VERIFY(log.Contains(QStringLiteral("Delay between reconnects finished.")));

        const QString progress = QStringLiteral("Secure Disconnection is in progress: %1%");
        QStringList expected;
        for (int percent = 10; percent <= 100; percent += 10)
            expected << progress.arg(percent);
        expected << QStringLiteral("Activity Log: None found") << QStringLiteral("Activity Log: None found")
                 << QStringLiteral("Local IP Log: None found") << QStringLiteral("Local IP Log: None found")
                 << QStringLiteral("Assigned IP: Cleared") << QStringLiteral("Assigned IP: Cleared")
                 << QStringLiteral("CLICK CONNECT TO SECURE YOUR INTERNET");
        QCOMPARE(texts, expected);
        QCOMPARE(usableBeforeTheEnd, 0);
        QVERIFY(connectButton->isEnabled());
        QVERIFY(trayConnect->isEnabled());
        QVERIFY(!m_window->DelayBeforeReconnect());
        QVERIFY(log.Contains(QStringLiteral("Delay between reconnects finished.")));
        // Asked for: no reason, no restart offer.
        QVERIFY(!log.Contains(QStringLiteral("Disconnect reason")));
        QVERIFY(Child("RestartButton")->isHidden());
        QCOMPARE(State(), QStringLiteral("ServerSelectState"));
    }

    void countdownKeepsTheTrayEntryDisabled()
    {
        // With the real tick the countdown outlasts entering server selection, which enables
        // the tray entry: it must stay disabled, and pressing CONNECT meanwhile does nothing.
        QVERIFY(Start({}, [](WorkflowTimings& t) { t.reconnectCountdownIntervalMs = 60000; }));
        QVERIFY(Connect());
        Child<QPushButton>("DisconnectButton")->click();
        QVERIFY(BackInServerSelection());
        QVERIFY(m_window->ReconnectCountdownTimer().isActive());
        QVERIFY(!TrayEntry("trayConnectAction")->isEnabled());
        QVERIFY(!Child("ConnectButton")->isEnabled());
        m_tunnel->ClearCalls();
        TrayEntry("trayConnectAction")->trigger();
        emit Child<QPushButton>("ConnectButton")->clicked();
        QVERIFY(m_tunnel->Calls().isEmpty());
        QCOMPARE(State(), QStringLiteral("ServerSelectState"));
    }

    void cancelGivesNoCountdown()
    {
        LogCapture log;
        QVERIFY(Start());
        QVERIFY(BeginConnection());
        Child<QPushButton>("CancelConnectButton")->click();
        QCOMPARE(m_tunnel->CallCount(QStringLiteral("DoDisconnect")), 1);
        QVERIFY(BackInServerSelection());
        QVERIFY(!m_window->ReconnectCountdownTimer().isActive());
        QVERIFY(Child("ConnectButton")->isEnabled());
        QVERIFY(TrayEntry("trayConnectAction")->isEnabled());
        QCOMPARE(Text("MainStatusLabel"), QStringLiteral("CLICK CONNECT TO SECURE YOUR INTERNET"));
        QVERIFY(!log.Contains(QStringLiteral("Disconnect reason")));
        QVERIFY(Child("RestartButton")->isHidden());

        // The user can connect again at once.
        QVERIFY(BeginConnection());
    }

    void dropReasons_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QString>("logLine");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("restartOffered");
        QTest::addColumn<bool>("countdown");
        const QString tail = QStringLiteral("RESTART & TRY AGAIN OR EXIT & CONTACT SUPPORT.");
        QTest::newRow("address check failed") << "ip check"
                                              << "Disconnect reason: remote IP check returns error."
                                              << QStringLiteral("IP ERROR OCCURRED. ") + tail << true << true;
        QTest::newRow("openvpn did not start")
            << "service"
            << "Disconnect reason: openvpn service problem."
            << QStringLiteral("AN OPENVPN ERROR OCCURRED. ") + tail << true << false;
        QTest::newRow("established connection dropped")
            << "drop"
            << "Disconnect reason: server dropped connection." << QStringLiteral("AN ERROR OCCURRED. ") + tail
            << true << false;
        QTest::newRow("server refused with a TLS error")
            << "tls"
            << "Disconnect reason: server unavailable."
            << "THIS SERVER IS UNAVAILABLE. TRY AGAIN LATER OR TRY ANOTHER SERVER." << false << false;
    }

    void dropReasons()
    {
        QFETCH(QString, cause);
        QFETCH(QString, logLine);
        QFETCH(QString, text);
        QFETCH(bool, restartOffered);
        QFETCH(bool, countdown);
        LogCapture log;
        QVERIFY(Start());
        if (cause == QLatin1String("ip check")) {
            // Through the tunnel the service still sees the local address.
            QVERIFY(BeginConnection());
            m_tunnel->ProcessManagementOutput(ConnectedState);
            QTRY_VERIFY_WITH_TIMEOUT(m_tunnel->CallCount(QStringLiteral("DoDisconnect")) == 1, 15000);
            QVERIFY(
                log.Contains(QStringLiteral("Second attempt to request new IP failed. Disconnect here.")));
        } else if (cause == QLatin1String("service")) {
            QVERIFY(BeginConnection());
            m_tunnel->ReportStartFailed();
        } else if (cause == QLatin1String("drop")) {
            QVERIFY(Connect());
            m_tunnel->ReportDisconnected();
        } else {
            QVERIFY(BeginConnection());
            m_tunnel->ProcessManagementOutput(
                QStringLiteral(">STATE:1796580781,RECONNECTING,tls-error,,,,,\n"));
            QVERIFY(!m_tunnel->ServerReachable());
            m_tunnel->ReportDisconnected();
        }
        QVERIFY(BackInServerSelection());
        QCOMPARE(int(log.Messages().count(logLine)), 1);
        QVERIFY(m_window->ConnectionIndicator()->isVisible());
        QCOMPARE(IndicatorText(), text);
        QCOMPARE(!Child("RestartButton")->isHidden(), restartOffered);
        if (restartOffered) {
            // The link restarts the program and stays readable on the dark strip.
            const QString html = m_window->ConnectionIndicator()->MessageItem()->toHtml();
            QVERIFY(html.contains(QStringLiteral("href=\"restartLink\"")));
            QVERIFY(html.contains(QStringLiteral("#7aaad2")));
        }
        if (countdown) {
            QTRY_VERIFY(log.Contains(QStringLiteral("Delay between reconnects finished.")));
        } else {
            QVERIFY(!m_window->ReconnectCountdownTimer().isActive());
            QVERIFY(!log.Contains(QStringLiteral("Delay between reconnects finished.")));
        }
        QVERIFY(!m_window->RemoteIpCheckFailed()); // reported once, then cleared

        // The next CONNECT hides the reason and the restart offer again.
        QTRY_VERIFY(Child("ConnectButton")->isEnabled());
        QVERIFY(BeginConnection());
        QVERIFY(!m_window->ConnectionIndicator()->isVisible());
        QVERIFY(Child("RestartButton")->isHidden());
    }

    void timeConnectedFormat_data()
    {
        QTest::addColumn<int>("ticks");
        QTest::addColumn<QString>("shown");
        QTest::newRow("seconds") << 7 << "0:00:07";
        QTest::newRow("an hour and five minutes") << 3900 << "1:05:00";
        QTest::newRow("beyond a day") << 93599 << "25:59:59";
    }

    void timeConnectedFormat()
    {
        QFETCH(int, ticks);
        QFETCH(QString, shown);
        QVERIFY(Start({}, [](WorkflowTimings& t) { t.timeConnectedIntervalMs = 3600000; }));
        QVERIFY(Connect());
        for (int tick = 0; tick < ticks; ++tick)
            m_window->OnTimeConnectedTimer();
        QCOMPARE(Text("MainStatusTimeLabel"), shown);
    }

    void secondConnectionStartsAtZero()
    {
        QVERIFY(Start({}, [](WorkflowTimings& t) { t.timeConnectedIntervalMs = 3600000; }));
        QVERIFY(Connect());
        for (int tick = 0; tick < 75; ++tick)
            m_window->OnTimeConnectedTimer();
        QCOMPARE(Text("MainStatusTimeLabel"), QStringLiteral("0:01:15"));
        m_tunnel->ReportDisconnected();
        QVERIFY(BackInServerSelection());

        QVERIFY(Connect());
        QCOMPARE(Text("MainStatusTimeLabel"), QStringLiteral("0:00:00"));
        m_window->OnTimeConnectedTimer();
        QCOMPARE(Text("MainStatusTimeLabel"), QStringLiteral("0:00:01"));
    }

    void noNetworkAtConnect()
    {
        QVERIFY(Start());
        m_services->SetInternetConnected(false);
        Child<QPushButton>("ConnectButton")->click();
        QCOMPARE(Child<QStackedWidget>("CurrentView")->currentWidget()->objectName(),
                 QStringLiteral("ErrorView"));
        QCOMPARE(
            Text("ErrorLabel"),
            QStringLiteral(
                "THERE IS NO ACTIVE INTERNET CONNECTION.\nCHECK YOUR INTERNET CONNECTION AND TRY AGAIN."));
        QVERIFY(m_tunnel->Calls().isEmpty());

        Child<QPushButton>("ErrorRetryButton")->click();
        QCOMPARE(Child<QStackedWidget>("CurrentView")->currentWidget()->objectName(),
                 QStringLiteral("ErrorView"));
        m_services->SetInternetConnected(true);
        Child<QPushButton>("ErrorRetryButton")->click();
        QCOMPARE(Child<QStackedWidget>("CurrentView")->currentWidget()->objectName(),
                 QStringLiteral("MainView"));
        QVERIFY(m_tunnel->Calls().isEmpty()); // the retry does not connect by itself
        QCOMPARE(State(), QStringLiteral("ServerSelectState"));
    }

    void changeIp_data()
    {
        QTest::addColumn<bool>("listening");
        QTest::addColumn<bool>("tunnelCarries");
        QTest::addColumn<QString>("newIp");
        QTest::newRow("new address") << true << true << "203.0.113.100";
        QTest::newRow("message not delivered: old address kept") << false << true << "203.0.113.77";
        QTest::newRow("service sees the local address: disconnect") << false << false << "";
    }

    void changeIp()
    {
        QFETCH(bool, listening);
        QFETCH(bool, tunnelCarries);
        QFETCH(QString, newIp);
        LogCapture log;
        QVERIFY(Start([](VPNSettings& s) { s.forcedIpChangeEnabled = true; }));
        quint16 port = 0;
        if (listening) {
            QVERIFY(m_simulator->StartChangeIpListener(QHostAddress::LocalHost, 0));
            port = m_simulator->ChangeIpListenerPort();
        } else {
            QTcpServer closed; // a port nobody listens on
            QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
            port = closed.serverPort();
        }
        m_tunnel->SetChangeIpPort(port);
        QVERIFY(Connect());
        auto* button = Child<QPushButton>("ChangeIPButton");
        QVERIFY(button->isVisible());
        QVERIFY(button->isEnabled());
        if (!tunnelCarries)
            m_simulator->MapExitAddress(QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.1"));

        button->click();
        QCOMPARE(Text("MainNewIPLabel"), QStringLiteral("Changing..."));
        QVERIFY(!button->isEnabled());
        if (newIp.isEmpty()) {
            QVERIFY(BackInServerSelection());
            QCOMPARE(IndicatorText(),
                     QStringLiteral("IP ERROR OCCURRED. RESTART & TRY AGAIN OR EXIT & CONTACT SUPPORT."));
            QTRY_VERIFY(log.Contains(QStringLiteral("Delay between reconnects finished.")));
            QVERIFY(log.Contains(QStringLiteral("Disconnect reason: remote IP check returns error.")));
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(Text("MainNewIPLabel"), newIp, 15000);
            QVERIFY(button->isEnabled());
            QCOMPARE(TrayEntry("trayIpAction")->text(), newIp);
            QCOMPARE(State(), QStringLiteral("ConnectedState"));
            QCOMPARE(m_simulator->ChangeIpMessages(),
                     listening
                         ? QStringList {SimulatorFixture::AccountKey() + QLatin1Char('_') + TunnelAddress}
                         : QStringList());
        }
    }

    void changeButtonOffer_data()
    {
        QTest::addColumn<bool>("forced");
        QTest::addColumn<bool>("onMainScreen");
        QTest::addColumn<bool>("anchored");
        QTest::addColumn<bool>("buttonShown");
        QTest::addColumn<bool>("addressesShown");
        QTest::newRow("forced change on") << true << true << false << true << true;
        QTest::newRow("forced change off") << false << true << false << false << true;
        QTest::newRow("servers not on the main screen") << true << false << false << false << false;
        QTest::newRow("anchored server") << true << true << true << false << true;
    }

    void changeButtonOffer()
    {
        QFETCH(bool, forced);
        QFETCH(bool, onMainScreen);
        QFETCH(bool, anchored);
        QFETCH(bool, buttonShown);
        QFETCH(bool, addressesShown);
        LogCapture log;
        if (anchored)
            m_simulator->SetAnchor(SimulatorFixture::AccountKey(), QStringLiteral("198.51.100.10"));
        QVERIFY(Start([&](VPNSettings& s) {
            s.forcedIpChangeEnabled = forced;
            s.serversOnMainScreen = onMainScreen;
            s.autoIpChangeMinutes = 5;
        }));
        if (anchored) {
            auto* list = Child<QComboBox>("ServerListDropDown");
            for (int row = 0; row < list->count(); ++row) {
                if (m_context->ServerListModel()->ServerAt(row)->anchored)
                    list->setCurrentIndex(row);
            }
            QVERIFY(Selected()->anchored);
        }
        QVERIFY(Connect());
        QCOMPARE(!Child("ChangeIPButton")->isHidden(), buttonShown);
        QCOMPARE(!Child("MainIPFrame")->isHidden(), addressesShown);
        // The tray still offers the change while connected.
        QVERIFY(TrayEntry("trayChangeIpAction")->isVisible());
        // An anchored address does not change, automatically or otherwise.
        QCOMPARE(m_window->AutoIpChangeTimer().isActive(), !anchored);
        QCOMPARE(log.Contains(QStringLiteral("AutoIPChange")), !anchored);
    }

    void automaticChange_data()
    {
        QTest::addColumn<int>("minutes");
        QTest::addColumn<QString>("logLine");
        QTest::addColumn<int>("interval");
        QTest::newRow("off") << 0 << "AutoIPChange disabled" << 0;
        QTest::newRow("every 5 minutes") << 5 << "AutoIPChange every  5  minutes" << 300000;
    }

    void automaticChange()
    {
        QFETCH(int, minutes);
        QFETCH(QString, logLine);
        QFETCH(int, interval);
        LogCapture log;
        QVERIFY(Start([&](VPNSettings& s) {
            s.forcedIpChangeEnabled = true;
            s.autoIpChangeMinutes = minutes;
        }));
        QVERIFY(Connect());
        QCOMPARE(int(log.Messages().count(logLine)), 1);
        QCOMPARE(m_window->AutoIpChangeTimer().isActive(), interval > 0);
        if (interval > 0)
            QCOMPARE(m_window->AutoIpChangeTimer().interval(), interval);
        // Every connect applies the setting again; a drop stops the timer.
        m_tunnel->ReportDisconnected();
        QVERIFY(BackInServerSelection());
        QVERIFY(!m_window->AutoIpChangeTimer().isActive());
        QVERIFY(Connect());
        QCOMPARE(int(log.Messages().count(logLine)), 2);
    }

    void automaticChangeSendsTheRequest()
    {
        QVERIFY(m_simulator->StartChangeIpListener(QHostAddress::LocalHost, 0));
        QVERIFY(Start([](VPNSettings& s) { s.autoIpChangeMinutes = 1; },
                      [](WorkflowTimings& t) { t.autoIpChangeMinuteMs = 200; }));
        m_tunnel->SetChangeIpPort(m_simulator->ChangeIpListenerPort());
        QVERIFY(Connect());
        QTRY_VERIFY_WITH_TIMEOUT(m_simulator->ChangeIpMessages().size() >= 2, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(Text("MainNewIPLabel").startsWith(QStringLiteral("203.0.113.1")), 15000);
        QCOMPARE(State(), QStringLiteral("ConnectedState"));
    }

    void verifyOpensTheAddressPage()
    {
        UrlSink sink;
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &sink, "Open");
        QVERIFY(Start());
        QVERIFY(Connect());
        TrayEntry("trayVerifyAction")->trigger();
        const QList<QAction*> statusMenu = Child("MainStatusLabel")->actions();
        QCOMPARE(statusMenu.size(), 1);
        statusMenu.first()->trigger();
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        const QUrl page(QStringLiteral("https://www.norvane.example/whatismyipaddress/"));
        QCOMPARE(sink.urls, (QList<QUrl> {page, page}));
    }

    // Last: Exit() ends the application's event loop, which later waits could not survive.
    void exitTakesTheTunnelDownFirst()
    {
        QVERIFY(Start());
        QVERIFY(Connect());
        QVERIFY(m_tunnel->IsConnected());
        m_tunnel->ClearCalls();
        QSignalSpy exited(m_tunnel, &OpenVpnGeneric::DisconnectedOnExit);
        QSignalSpy dropped(m_tunnel, &OpenVpnGeneric::Disconnected);
        bool visibleWhenTheTunnelWent = false;
        connect(m_tunnel, &OpenVpnGeneric::DisconnectedOnExit, this,
                [&] { visibleWhenTheTunnelWent = m_window->isVisible(); });
        TrayEntry("trayQuitAction")->trigger();
        QCOMPARE(m_tunnel->Calls().first(), QStringLiteral("DoDisconnect"));
        QCOMPARE(exited.count(), 1);
        QVERIFY(visibleWhenTheTunnelWent);
        QVERIFY(!m_window->isVisible());
        // The window no longer reacts to the tunnel: the drop that follows shows nothing.
        QTRY_COMPARE(dropped.count(), 1);
        QCOMPARE(m_window->GetConnectionPhase(), VPNMainWindow::Connected);
        QVERIFY(m_window->LastTrayMessage() != QLatin1String("DISCONNECTED"));
        // A second request does not take it down again.
        m_window->OnExit();
        QCOMPARE(m_tunnel->CallCount(QStringLiteral("DoDisconnect")), 1);
    }
};

QTEST_MAIN(TestConnection)
#include "testconnection.moc"
