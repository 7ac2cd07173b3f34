#include "logcapture.h"
#include "mainwindowfixture.h"
#include "urlrecorder.h"
#include "widgets/vpnconnectionindicator.h"
#include "widgets/vpngraphicstextitem.h"

#include <QAction>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

namespace {

// What the service sees through the scripted tunnel, and where its change-IP listener is.
const QString ExitAddress = QStringLiteral("203.0.113.77");
const QString TunnelAddress = QStringLiteral("127.0.0.5");
const QString ConnectedState
    = QStringLiteral(">STATE:1796580774,CONNECTED,SUCCESS,127.0.0.5,198.51.100.1,1194,,,,\n");
const QString Restart = QStringLiteral("RESTART & TRY AGAIN OR EXIT & CONTACT SUPPORT.");

} // namespace

// Connecting, disconnecting, the reconnect countdown, the reasons of a drop and the IP change
// of the main window, with a scripted tunnel controller and the in-process service simulator.
class TestConnection final : public QObject, public MainWindowFixture
{
    Q_OBJECT

private:
    // A settings file as the test edits it, a program start, and server selection reached.
    bool StartAtServerSelection(const SettingsEdit& edit = {}, const TimingsEdit& timings = {})
    {
        if (!WriteSettings(edit))
            return false;
        Start(KnownKey(), true, timings);
        return ReachServerSelection();
    }

    QAction* TrayEntry(const char* name) const { return Child<QAction>(name); }
    QString IndicatorText() const { return m_window->ConnectionIndicator()->MessageItem()->toPlainText(); }

    // CONNECT and the hold released: up to OpenVPN's answer.
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
        qputenv("NORVANE_WEB_HOST", "www.norvane.example");
        QVERIFY(Prepare());
    }
    void init() { QVERIFY(Begin()); }
    void cleanup() { End(); }

    void connectShowsTheConnectedView()
    {
        LogCapture log;
        QVERIFY(StartAtServerSelection());
        const VPNServer server = *CurrentRecord();
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
        QCOMPARE(Text("MainStatusLabel"), QStringLiteral("YOU ARE SECURELY CONNECTED"));
        QCOMPARE(Text("MainStatusTimeLabel"), QStringLiteral("0:00:00"));
        QCOMPARE(Text("MainLocalIPLabel"), QStringLiteral("127.0.0.1"));
        QCOMPARE(Text("MainNewIPLabel"), ExitAddress);
        QCOMPARE(m_window->LastTrayMessage(), QStringLiteral("CONNECTED"));
        QVERIFY(m_window->ConnectionIndicator()->isVisible());
        QCOMPARE(m_window->TrayIcon()->toolTip().section(QLatin1Char('\n'), 3),
                 QStringLiteral("New IP: ") + ExitAddress);
        QCOMPARE(SettingsOnDisk().lastUsedServer, server.name);

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
        QVERIFY(StartAtServerSelection());
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

        QStringList expected;
        for (int percent = 10; percent <= 100; percent += 10)
            expected << QStringLiteral("Secure Disconnection is in progress: %1%").arg(percent);
        for (const char* text :
             {"Activity Log: None found", "Local IP Log: None found", "Assigned IP: Cleared"})
            expected << QLatin1String(text) << QLatin1String(text);
        expected << QStringLiteral("CLICK CONNECT TO SECURE YOUR INTERNET");
        QCOMPARE(texts, expected);
        QCOMPARE(usableBeforeTheEnd, 0);
        QVERIFY(connectButton->isEnabled());
        QVERIFY(trayConnect->isEnabled());
        QVERIFY(!m_window->DelayBeforeReconnect());
        // Asked for: no reason, no restart offer.
        QVERIFY(!log.Contains(QStringLiteral("Disconnect reason")));
        QVERIFY(Child("RestartButton")->isHidden());
        QCOMPARE(State(), QStringLiteral("ServerSelectState"));
    }

    void countdownKeepsTheTrayEntryDisabled()
    {
        // With the real tick the countdown outlasts entering server selection, which enables
        // the tray entry: it must stay disabled, and pressing CONNECT meanwhile does nothing.
        QVERIFY(
            StartAtServerSelection({}, [](WorkflowTimings& t) { t.reconnectCountdownIntervalMs = 60000; }));
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
        QVERIFY(StartAtServerSelection());
        QVERIFY(BeginConnection());
        Child<QPushButton>("CancelConnectButton")->click();
        QCOMPARE(m_tunnel->CallCount(QStringLiteral("DoDisconnect")), 1);
        QVERIFY(BackInServerSelection());
        QVERIFY(!m_window->ReconnectCountdownTimer().isActive());
        QVERIFY(TrayEntry("trayConnectAction")->isEnabled());
        QCOMPARE(Text("MainStatusLabel"), QStringLiteral("CLICK CONNECT TO SECURE YOUR INTERNET"));
        QVERIFY(!log.Contains(QStringLiteral("Disconnect reason")));
        QVERIFY(Child("RestartButton")->isHidden());
        QVERIFY(BeginConnection()); // at once: CONNECT is enabled
    }

    void dropReasons_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QString>("logLine");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("restartOffered");
        QTest::addColumn<bool>("countdown");
        QTest::newRow("address check failed")
            << "ip check"
            << "Disconnect reason: remote IP check returns error."
            << QStringLiteral("IP ERROR OCCURRED. ") + Restart << true << true;
        QTest::newRow("openvpn did not start")
            << "service"
            << "Disconnect reason: openvpn service problem."
            << QStringLiteral("AN OPENVPN ERROR OCCURRED. ") + Restart << true << false;
        QTest::newRow("established connection dropped")
            << "drop"
            << "Disconnect reason: server dropped connection."
            << QStringLiteral("AN ERROR OCCURRED. ") + Restart << true << false;
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
        QVERIFY(StartAtServerSelection());
        if (cause == QLatin1String("drop")) {
            QVERIFY(Connect());
            m_tunnel->ReportDisconnected();
        } else {
            QVERIFY(BeginConnection());
        }
        if (cause == QLatin1String("ip check")) {
            // Through the tunnel the service still sees the local address.
            m_tunnel->ProcessManagementOutput(ConnectedState);
            QTRY_VERIFY_WITH_TIMEOUT(m_tunnel->CallCount(QStringLiteral("DoDisconnect")) == 1, 15000);
            QVERIFY(
                log.Contains(QStringLiteral("Second attempt to request new IP failed. Disconnect here.")));
        } else if (cause == QLatin1String("service")) {
            m_tunnel->ReportStartFailed();
        } else if (cause == QLatin1String("tls")) {
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
        if (countdown)
            QTRY_VERIFY(log.Contains(QStringLiteral("Delay between reconnects finished.")));
        else
            QVERIFY(!m_window->ReconnectCountdownTimer().isActive()
                    && !log.Contains(QStringLiteral("Delay between reconnects finished.")));
        QVERIFY(!m_window->RemoteIpCheckFailed()); // reported once, then cleared

        // The next CONNECT hides the reason and the restart offer again.
        QTRY_VERIFY(Child("ConnectButton")->isEnabled());
        QVERIFY(BeginConnection());
        QVERIFY(!m_window->ConnectionIndicator()->isVisible());
        QVERIFY(Child("RestartButton")->isHidden());
    }

    // Hours are not wrapped at a day, and a second connection starts at 0:00:00.
    void timeConnected()
    {
        QVERIFY(StartAtServerSelection({}, [](WorkflowTimings& t) { t.timeConnectedIntervalMs = 3600000; }));
        QVERIFY(Connect());
        QVERIFY(m_window->TimeConnectedTimer().isActive());
        const QList<QPair<int, QString>> steps = {{7, QStringLiteral("0:00:07")},
                                                  {3900, QStringLiteral("1:05:00")},
                                                  {93599, QStringLiteral("25:59:59")}};
        int ticks = 0;
        for (const auto& [until, shown] : steps) {
            for (; ticks < until; ++ticks)
                m_window->OnTimeConnectedTimer();
            QCOMPARE(Text("MainStatusTimeLabel"), shown);
        }
        m_tunnel->ReportDisconnected();
        QVERIFY(BackInServerSelection());

        QVERIFY(Connect());
        QCOMPARE(Text("MainStatusTimeLabel"), QStringLiteral("0:00:00"));
        m_window->OnTimeConnectedTimer();
        QCOMPARE(Text("MainStatusTimeLabel"), QStringLiteral("0:00:01"));
    }

    void noNetworkAtConnect()
    {
        QVERIFY(StartAtServerSelection());
        m_services->SetInternetConnected(false);
        Child<QPushButton>("ConnectButton")->click();
        QCOMPARE(ViewName(), QStringLiteral("ErrorView"));
        QCOMPARE(
            Text("ErrorLabel"),
            QStringLiteral(
                "THERE IS NO ACTIVE INTERNET CONNECTION.\nCHECK YOUR INTERNET CONNECTION AND TRY AGAIN."));
        Child<QPushButton>("ErrorRetryButton")->click();
        QCOMPARE(ViewName(), QStringLiteral("ErrorView"));
        m_services->SetInternetConnected(true);
        Child<QPushButton>("ErrorRetryButton")->click();
        QCOMPARE(ViewName(), QStringLiteral("MainView"));
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
        QVERIFY(StartAtServerSelection([](VPNSettings& s) { s.forcedIpChangeEnabled = true; }));
        QTcpServer closed; // a port nobody listens on, once closed
        if (listening) {
            QVERIFY(m_simulator->StartChangeIpListener(QHostAddress::LocalHost, 0));
            m_tunnel->SetChangeIpPort(m_simulator->ChangeIpListenerPort());
        } else {
            QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
            m_tunnel->SetChangeIpPort(closed.serverPort());
            closed.close();
        }
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
            QCOMPARE(IndicatorText(), QStringLiteral("IP ERROR OCCURRED. ") + Restart);
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

    void changeOffers_data()
    {
        QTest::addColumn<bool>("forced");
        QTest::addColumn<bool>("onMainScreen");
        QTest::addColumn<bool>("anchored");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<bool>("buttonShown");
        QTest::addColumn<bool>("addressesShown");
        QTest::addColumn<QString>("logLine"); // empty: no automatic change is mentioned
        QTest::addColumn<int>("interval");
        const QString every5 = QStringLiteral("AutoIPChange every  5  minutes");
        QTest::newRow("forced change on") << true << true << false << 5 << true << true << every5 << 300000;
        QTest::newRow("forced change off")
            << false << true << false << 5 << false << true << every5 << 300000;
        QTest::newRow("servers not on the main screen")
            << true << false << false << 5 << false << false << every5 << 300000;
        QTest::newRow("anchored server") << true << true << true << 5 << false << true << QString() << 0;
        QTest::newRow("automatic change off")
            << true << true << false << 0 << true << true << "AutoIPChange disabled" << 0;
    }

    // The CHANGE button and the automatic change; every connect applies the setting again.
    void changeOffers()
    {
        QFETCH(bool, forced);
        QFETCH(bool, onMainScreen);
        QFETCH(bool, anchored);
        QFETCH(int, minutes);
        QFETCH(bool, buttonShown);
        QFETCH(bool, addressesShown);
        QFETCH(QString, logLine);
        QFETCH(int, interval);
        LogCapture log;
        if (anchored)
            m_simulator->SetAnchor(SimulatorFixture::AccountKey(), QStringLiteral("198.51.100.10"));
        QVERIFY(StartAtServerSelection([&](VPNSettings& s) {
            s.forcedIpChangeEnabled = forced;
            s.serversOnMainScreen = onMainScreen;
            s.autoIpChangeMinutes = minutes;
        }));
        if (anchored) {
            Select(QStringLiteral("USA New York No P2P"));
            QVERIFY(CurrentRecord()->anchored);
        }
        for (int connection = 1; connection <= 2; ++connection) {
            QVERIFY(Connect());
            QCOMPARE(!Child("ChangeIPButton")->isHidden(), buttonShown);
            QCOMPARE(!Child("MainIPFrame")->isHidden(), addressesShown);
            QVERIFY(TrayEntry("trayChangeIpAction")->isVisible()); // the tray still offers it
            // An anchored address does not change, automatically or otherwise.
            if (logLine.isEmpty())
                QVERIFY(!log.Contains(QStringLiteral("AutoIPChange")));
            else
                QCOMPARE(int(log.Messages().count(logLine)), connection);
            QCOMPARE(m_window->AutoIpChangeTimer().isActive(), interval > 0);
            if (interval > 0)
                QCOMPARE(m_window->AutoIpChangeTimer().interval(), interval);
            m_tunnel->ReportDisconnected(); // a drop stops the timer
            QVERIFY(BackInServerSelection());
            QVERIFY(!m_window->AutoIpChangeTimer().isActive());
        }
    }

    void automaticChangeSendsTheRequest()
    {
        QVERIFY(m_simulator->StartChangeIpListener(QHostAddress::LocalHost, 0));
        QVERIFY(StartAtServerSelection([](VPNSettings& s) { s.autoIpChangeMinutes = 1; },
                                       [](WorkflowTimings& t) { t.autoIpChangeMinuteMs = 200; }));
        m_tunnel->SetChangeIpPort(m_simulator->ChangeIpListenerPort());
        QVERIFY(Connect());
        QTRY_VERIFY_WITH_TIMEOUT(m_simulator->ChangeIpMessages().size() >= 2, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(Text("MainNewIPLabel").startsWith(QStringLiteral("203.0.113.1")), 15000);
        QCOMPARE(State(), QStringLiteral("ConnectedState"));
    }

    void verifyOpensTheAddressPage()
    {
        UrlRecorder browser;
        QVERIFY(StartAtServerSelection());
        QVERIFY(Connect());
        TrayEntry("trayVerifyAction")->trigger();
        const QList<QAction*> statusMenu = Child("MainStatusLabel")->actions();
        QCOMPARE(statusMenu.size(), 1);
        QCOMPARE(Child("MainStatusLabel")->contextMenuPolicy(), Qt::ActionsContextMenu);
        statusMenu.first()->trigger();
        const QUrl page(QStringLiteral("https://www.norvane.example/whatismyipaddress/"));
        QCOMPARE(browser.urls, (QList<QUrl> {page, page}));
    }

    // Last: Exit() ends the application's event loop, which later waits could not survive.
    void exitTakesTheTunnelDownFirst()
    {
        QVERIFY(StartAtServerSelection());
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
