#include "appcontext.h"
#include "connection/accountsession.h"
#include "dialoganswer.h"
#include "fakeclock.h"
#include "fakesystemservices.h"
#include "memoryaccountkeystore.h"
#include "runscript.h"
#include "scriptedtunnel.h"
#include "servers/vpncomboboxhtmldelegate.h"
#include "servers/vpnserverlistmodel.h"
#include "settings/settingsfile.h"
#include "simulatorfixture.h"
#include "startup.h"
#include "temphome.h"
#include "urlrecorder.h"
#include "versioninfo.h"
#include "vpnmainwindow.h"
#include "vpnoptionsdialog.h"
#include "vpnupdatedialog.h"
#include "widgets/vpnconnectionindicator.h"
#include "widgets/vpnsimpledialog.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>
#include <QTextDocumentFragment>

namespace {

// A tunnel address on loopback, so that nothing the test starts leaves the machine.
const QString ConnectedLine
    = QStringLiteral(">STATE:1796580774,CONNECTED,SUCCESS,127.0.0.5,198.51.100.1,1194,,\n");
const QString Chicago = QStringLiteral("USA Chicago No P2P");
const QString Miami = QStringLiteral("USA Miami No P2P");
const QString MiamiIp = QStringLiteral("198.51.100.13");

} // namespace

// The real window and workflow as a program start makes them, over a temporary home, the
// in-process service simulator, a scripted tunnel and a fake clock: that the view follows the
// controller and hands it the user's presses. What the workflow does in each state is the
// connection controller's own test.
//
// Steps of a session: start [nokey] | signin <key> | click <button> | trigger <action> | exit <address>
//   (what the service sees as the exit address from now) | httperror <code> | tunnel connected|dropped |
//   wait <ms> | hide | minimize | close | tray <activation reason: 1 context click, 2 double, 3 left, 4
//   middle> | link <indicator link>
// Checks (each waits up to 15 s for the simulator): =state <name> | =view <name> | =text <object> [text] |
//   =shown|=enabled <object> -<object> ... (a minus: hidden or disabled) | =tunnel <server address> |
//   =proxied yes|no | =traymessage <text> | =newiptip <tool tip's last line> | =copyable yes|no (the
//   status line) | =indicator yes|no | =window shown|hidden [minimized] | =menu yes|no |
//   =account <e-mail>|- | =opened <addresses>
class TestMainWindow final : public QObject
{
    Q_OBJECT

private:
    SimulatorFixture m_fixture;
    std::unique_ptr<ServiceSimulator> m_simulator;
    std::unique_ptr<TempHome> m_home;
    FakeClock* m_clock = nullptr;
    std::unique_ptr<VPNAppContext> m_context;
    ScriptedTunnel* m_tunnel = nullptr;
    std::unique_ptr<VPNMainWindow> m_window;
    std::unique_ptr<UrlRecorder> m_browser;

    // A program start over a settings file with the servers on the main screen, signed in to the
    // simulator's account or not.
    void Start(bool signedIn = true)
    {
        VPNSettings settings;
        settings.serversOnMainScreen = true;
        const QString settingsPath = m_home->ConfigPath(QStringLiteral("norvane.xml"));
        QVERIFY(MakeFileDirectory(settingsPath) && SettingsFile::Write(settingsPath, settings));
        auto clock = std::make_unique<FakeClock>();
        m_clock = clock.get();
        m_context = std::make_unique<VPNAppContext>(std::make_unique<FakeSystemServices>(m_home->Path()),
                                                    std::move(clock));
        auto tunnel = std::make_unique<ScriptedTunnel>(m_context->Settings(), m_context->SystemServices());
        m_tunnel = tunnel.get();
        m_tunnel->SetAnswerDisconnect(true);
        m_context->CreateWorkflow(
            std::move(tunnel),
            std::make_unique<MemoryAccountKeyStore>(signedIn ? SimulatorFixture::AccountKey() : QString()),
            QString());
        m_context->SetUpdater(CreateUpdater(*m_context));
        m_window = CreateMainWindow(*m_context);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_context->Account().LoadAccountKey();
    }

    template<typename T = QWidget> T* Child(const QString& name) const
    {
        T* child = m_window->findChild<T*>(name);
        if (!child)
            qWarning() << "no child" << name;
        return child;
    }
    template<typename T = QWidget> T* Child(const char* name) const { return Child<T>(QLatin1String(name)); }
    QString State() const { return ConnectionController::StateName(m_context->Connection().CurrentState()); }
    QComboBox* ServerList() const { return Child<QComboBox>(QStringLiteral("ServerListDropDown")); }
    const VPNServer* CurrentRecord() const
    {
        return qobject_cast<VPNServerListModel*>(ServerList()->model())
            ->ServerAt(ServerList()->currentIndex());
    }
    void Select(const QString& name) const { ServerList()->setCurrentIndex(ServerList()->findText(name)); }

    void Step(const QString& step)
    {
        const QString verb = step.section(QLatin1Char(' '), 0, 0);
        const QString arg = step.section(QLatin1Char(' '), 1);
        if (verb.startsWith(QLatin1Char('=')))
            return Check(verb.mid(1), arg);
        if (verb == QLatin1String("start")) {
            Start(arg != QLatin1String("nokey"));
        } else if (verb == QLatin1String("signin")) {
            Child<QLineEdit>(QStringLiteral("SignInKeyEdit"))->setText(arg);
            QTest::keyClick(Child(QStringLiteral("SignInKeyEdit")), Qt::Key_Return);
        } else if (verb == QLatin1String("click")) {
            Child<QPushButton>(arg)->click();
        } else if (verb == QLatin1String("trigger")) {
            Child<QAction>(arg)->trigger();
        } else if (verb == QLatin1String("exit")) {
            m_simulator->MapExitAddress(QStringLiteral("127.0.0.1"), arg);
        } else if (verb == QLatin1String("httperror")) {
            m_simulator->SetHttpError(arg.toInt());
        } else if (verb == QLatin1String("tunnel")) {
            if (arg == QLatin1String("connected"))
                m_tunnel->ProcessManagementOutput(ConnectedLine);
            else
                m_tunnel->ReportDisconnected();
        } else if (verb == QLatin1String("wait")) {
            m_clock->Advance(arg.toLongLong());
        } else if (verb == QLatin1String("hide")) {
            m_window->hide();
        } else if (verb == QLatin1String("minimize")) {
            m_window->setWindowState(Qt::WindowMinimized);
        } else if (verb == QLatin1String("close")) {
            QVERIFY(!m_window->close()); // the desktop's close request only hides
        } else if (verb == QLatin1String("tray")) {
            m_window->SystrayIconActivated(QSystemTrayIcon::ActivationReason(arg.toInt()));
        } else if (verb == QLatin1String("link")) {
            emit m_window->ConnectionIndicator()->linkActivated(arg);
        } else {
            QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
        }
    }

    QString Actual(const QString& what, const QString& arg) const
    {
        const auto yes = [](bool value) { return value ? QStringLiteral("yes") : QStringLiteral("no"); };
        const auto each = [this, &arg](const char* property) {
            QStringList names;
            for (QString name : arg.split(QLatin1Char(' '))) {
                name.remove(QLatin1Char('-'));
                const bool on
                    = property ? Child<QObject>(name)->property(property).toBool() : !Child(name)->isHidden();
                names << (on ? name : QLatin1Char('-') + name);
            }
            return names.join(QLatin1Char(' '));
        };
        if (what == QLatin1String("state"))
            return State();
        if (what == QLatin1String("view"))
            return Child<QStackedWidget>(QStringLiteral("CurrentView"))->currentWidget()->objectName();
        if (what == QLatin1String("text")) // of a label, an edit, a button or an action
            return arg.section(QLatin1Char(' '), 0, 0) + QLatin1Char(' ')
                + Child<QObject>(arg.section(QLatin1Char(' '), 0, 0))->property("text").toString();
        if (what == QLatin1String("shown"))
            return each(nullptr);
        if (what == QLatin1String("enabled"))
            return each("enabled");
        if (what == QLatin1String("tunnel")) // the server address the tunnel was given
            return m_tunnel->ServerAddress();
        if (what == QLatin1String("proxied")) // whether the API goes through the user's proxy
            return yes(m_context->Api().Queue().IsProxyEnabled());
        if (what == QLatin1String("traymessage"))
            return m_window->LastTrayMessage();
        if (what == QLatin1String("newiptip"))
            return m_window->TrayIcon()->toolTip().section(QLatin1Char('\n'), 3);
        if (what == QLatin1String("copyable"))
            return yes(Child(QStringLiteral("MainStatusLabel"))->contextMenuPolicy()
                       == Qt::ActionsContextMenu);
        if (what == QLatin1String("indicator"))
            return yes(m_window->ConnectionIndicator()->isVisible());
        if (what == QLatin1String("window"))
            return QLatin1String(m_window->isVisible() ? "shown" : "hidden")
                + QLatin1String(m_window->isMinimized() ? " minimized" : "");
        if (what == QLatin1String("menu"))
            return yes(m_window->TrayMenu()->isVisible());
        if (what == QLatin1String("account"))
            return m_context->Api().AccountKey().isEmpty() ? QStringLiteral("-")
                                                           : m_context->Account().Email();
        if (what == QLatin1String("opened"))
            return QUrl::toStringList(m_browser->urls).join(QLatin1Char(' '));
        return QStringLiteral("unknown check ") + what;
    }

    void Run(const QString& script)
    {
        QStringList steps;
        for (const QString& step : script.split(QLatin1Char(';')))
            steps << step.trimmed();
        RunScript(steps, [this](const QString& step) { Step(step); });
    }

    void Check(const QString& what, const QString& expected)
    {
        (void)QTest::qWaitFor([&] { return Actual(what, expected).trimmed() == expected; }, 15000);
        QCOMPARE(Actual(what, expected).trimmed(), expected);
    }

private slots:
    void initTestCase()
    {
        qputenv("NORVANE_WEB_HOST", "www.norvane.example");
        qunsetenv("NORVANE_ACCOUNT_KEY");
        QString error;
        QVERIFY2(m_fixture.Prepare(&error), qPrintable(error));
        qputenv("NORVANE_CA_FILE", m_fixture.CaPath().toUtf8());
    }
    void init()
    {
        m_simulator = m_fixture.Start();
        QVERIFY(m_simulator);
        qputenv("NORVANE_API_HOST", m_simulator->HostAndPort().toUtf8());
        qputenv("NORVANE_UPDATE_URL",
                "https://" + m_simulator->HostAndPort().toUtf8() + ServiceSimulator::AppcastPath);
        m_home = std::make_unique<TempHome>();
        m_browser = std::make_unique<UrlRecorder>();
    }
    void cleanup()
    {
        if (m_window)
            m_window->TrayMenu()->hide();
        m_window.reset();
        m_context.reset();
        m_browser.reset();
        m_home.reset();
        m_simulator.reset();
    }

    void sessions_data()
    {
        QTest::addColumn<QString>("script");
        // clang-format off
        QTest::newRow("tray CONNECT, connected view, DISCONNECT closes CONNECT for the countdown, a drop offers the restart")
            << QStringLiteral("start; =state ServerSelectState; =view MainView; =shown ServerListDropDown; =enabled trayConnectAction; =proxied yes; trigger trayConnectAction; =state ConnectingState; =shown CancelConnectButton -ConnectButton -ServerListDropDown; =enabled CancelConnectButton; =text trayServerAction Germany Frankfurt P2P; =tunnel 198.51.100.1; exit 203.0.113.77; tunnel connected; =state ConnectedState; =proxied no; =text MainStatusLabel YOU ARE SECURELY CONNECTED; =text MainStatusTimeLabel 0:00:00; =text MainLocalIPLabel 127.0.0.1; =text MainNewIPLabel 203.0.113.77; =shown DisconnectButton MainIPFrame -CancelConnectButton; =enabled trayDisconnectAction -trayConnectAction; =traymessage CONNECTED; =newiptip New IP: 203.0.113.77; =copyable yes; click DisconnectButton; =state ServerSelectState; =enabled -ConnectButton -trayConnectAction; =proxied yes; =traymessage DISCONNECTED; wait 16000; =enabled ConnectButton trayConnectAction; =shown -RestartButton; trigger trayConnectAction; tunnel connected; =state ConnectedState; tunnel dropped; wait 100; =shown RestartButton; =indicator yes; =text MainStatusTimeLabel; =copyable no");
        QTest::newRow("sign-in: unknown key, network error and retry, menu toggle, sign-out")
            << QStringLiteral("start nokey; =view SignInView; =shown -MenuSignOutButton; signin NOT-A-KNOWN-KEY; =text SignInMessageLabel THIS ACCOUNT KEY IS NOT KNOWN. CHECK IT AND TRY AGAIN.; =enabled SignInButton; httperror 500; signin k3yAbc9x; =view ErrorView; =text ErrorLabel NETWORK ERROR. TRY AGAIN OR EXIT AND CONTACT SUPPORT.; httperror 0; click ErrorRetryButton; =state ServerSelectState; =shown MenuSignOutButton; =account ann@example.org; click MenuButton; =view MenuView; =text MenuButton BACK; click MenuButton; =view MainView; =text MenuButton MENU; click MenuButton; click MenuSignOutButton; =view SignInView; =text SignInKeyEdit; =account -; =state Stopped");
        QTest::newRow("tray: left and double clicks show and hide, also after the desktop's close; middle clicks do nothing") << QStringLiteral("start nokey; tray 3; =window hidden; tray 4; =window hidden; tray 3; =window shown; close; =window hidden; tray 3; =window shown; tray 4; =window shown; tray 3; =window hidden; tray 2; =window shown; =menu no");
        QTest::newRow("tray: minimized, left click ignored") << QStringLiteral("start nokey; minimize; tray 3; =window shown minimized");
        QTest::newRow("tray: context click opens the menu") << QStringLiteral("start nokey; tray 1; =menu yes; =window shown");
        QTest::newRow("links open in the browser: support, web address, verify from the tray") << QStringLiteral("start nokey; link supportLink; link https://docs.norvane.example/faq; trigger trayVerifyAction; =opened https://www.norvane.example/support/ticket https://docs.norvane.example/faq https://www.norvane.example/whatismyipaddress/");
        // clang-format on
    }

    void sessions()
    {
        QFETCH(QString, script);
        Run(script);
    }

    void dragsOnlyFromTheBorderBand()
    {
        const QSize window(596, 203);
        for (const QPoint band : {QPoint(39, 100), QPoint(300, 20), QPoint(570, 100), QPoint(300, 180)})
            QVERIFY(VPNMainWindow::IsInDragBand(band, window));
        for (const QPoint inside : {QPoint(40, 60), QPoint(300, 163)})
            QVERIFY(!VPNMainWindow::IsInDragBand(inside, window));
    }

    void trayToolTip_data()
    {
        QTest::addColumn<bool>("serversOnMainScreen");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("list in options, connected") << false << true << "Connected";
        QTest::newRow("list in options, disconnected") << false << false << "Disconnected";
        QTest::newRow("list on main, connected") << true << true << "Connected to: Germany - Frankfurt\nSince: 2024-03-05 21:07\nLocal IP: 203.0.113.24\nNew IP: 198.51.100.73";
        QTest::newRow("list on main, disconnected") << true << false << "Disconnected from: Germany - Frankfurt";
        // clang-format on
    }

    void trayToolTip()
    {
        QFETCH(bool, serversOnMainScreen);
        QFETCH(bool, connected);
        QFETCH(QString, expected);
        QCOMPARE(VPNMainWindow::ComposeTrayToolTip(
                     serversOnMainScreen, connected, QStringLiteral("Germany - Frankfurt"),
                     QDateTime(QDate(2024, 3, 5), QTime(21, 7, 42)), QStringLiteral("203.0.113.24"),
                     QStringLiteral("198.51.100.73")),
                 expected);
    }

    // Through the main window and the real service simulator: the window wires its list to the
    // marks, the catalog follows the service's answer to every anchor call, refused or not, and
    // the list rebuilt from the catalog shows both marks.
    void mainWindowMarksFollowTheService()
    {
        m_simulator->SetAnchor(SimulatorFixture::AccountKey(), MiamiIp);
        Run(QStringLiteral("start; =state ServerSelectState"));
        // The list draws its rows' markers in colour.
        QVERIFY(qobject_cast<VPNComboBoxHtmlDelegate*>(ServerList()->itemDelegate()));
        QAction* favorite = ServerList()->actions().at(0);
        QAction* anchor = ServerList()->actions().at(1);
        VPNSimpleDialog* dialog = m_window->ConfirmationDialog();
        QSignalSpy assigned(&m_context->ServerManager(), &VPNServerManager::AssignedServerUpdated);
        const auto sent = [this] {
            QStringList paths;
            for (const HttpRequest& request : m_simulator->Requests())
                paths << QString::fromLatin1(request.Path());
            return paths;
        };
        Select(Miami);
        favorite->trigger();
        QVERIFY(Press(dialog, "SecondaryButton")); // OK

        // The service no longer knows Chicago and refuses to anchor there.
        QVERIFY(m_simulator->SetCatalog(
            QByteArrayLiteral("<servers><server description=\"USA Miami No P2P\" ip=\"198.51.100.13\" "
                              "is_p2p=\"0\" load_percentage=\"3\"><ports><port protocol=\"UDP\">1194"
                              "</port></ports></server></servers>")));
        Select(Chicago);
        m_simulator->ClearRequests();
        anchor->trigger();
        QVERIFY(Press(dialog, "PrimaryButton")); // YES, change it
        QVERIFY(assigned.wait());
        QCOMPARE(sent(),
                 QStringList({QStringLiteral("/3/doAnchorVpnNetworkAccountIp"),
                              QStringLiteral("/3/getVpnNetworkAccountIpAnchor")}));

        // The TCP list, rebuilt from the catalog, selects the favorite's TCP endpoint.
        m_context->ServerManager().SetListType(VPNServerManager::TcpList);
        QCOMPARE(ServerList()->currentText(), Miami);
        QVERIFY(favorite->isChecked());
        QVERIFY(anchor->isChecked());
        Select(Chicago);
        QVERIFY(!favorite->isChecked());
        QVERIFY(!anchor->isChecked());

        Select(Miami);
        m_simulator->ClearRequests();
        anchor->trigger();
        QVERIFY(Press(dialog, "PrimaryButton")); // YES, remove it
        QVERIFY(assigned.wait());
        QCOMPARE(sent(), QStringList(QStringLiteral("/3/doUnanchorVpnNetworkAccountIp")));
        m_context->ServerManager().SetListType(VPNServerManager::UdpList);
        QCOMPARE(ServerList()->currentText(), Miami);
        QVERIFY(!anchor->isChecked());
    }

    // The options dialog from the menu and from the indicators' Show in Options, what its SAVE
    // changes in the window and the workflow, its server list held while connected, and its
    // restart question reaching the program's restart.
    void optionsDialogHooks()
    {
        Run(QStringLiteral("start; =state ServerSelectState"));
        VPNOptionsDialog* options = m_window->OptionsDialog();
        const auto control
            = [options](const char* name) { return options->findChild<QWidget*>(QLatin1String(name)); };
        const auto press = [&](const char* name) { qobject_cast<QAbstractButton*>(control(name))->click(); };
        auto* optionsList = qobject_cast<QComboBox*>(control("ServerListDropDown"));
        QCOMPARE(optionsList->model(), ServerList()->model());

        // The server list moves into the options, where Miami is chosen.
        Run(QStringLiteral("click MenuButton; click MenuOptionsButton"));
        QCOMPARE(optionsList->currentIndex(), ServerList()->currentIndex());
        press("ServerAtOptionsRadioButton");
        optionsList->setCurrentIndex(optionsList->findText(Miami));
        press("SaveOptionsButton");
        QTRY_VERIFY(!options->isVisible());
        QCOMPARE(ServerList()->currentText(), Miami);
        QVERIFY(ServerList()->isHidden());

        // From the TCP indicator: the Advanced tab; TCP servers through an HTTP proxy.
        Child("TcpIndicatorLabel")->actions().at(0)->trigger();
        QCOMPARE(qobject_cast<QTabWidget*>(control("OptionsTabWidget"))->currentIndex(),
                 int(VPNOptionsDialog::AdvancedTab));
        press("EnableTCPCheckBox");
        qobject_cast<QComboBox*>(control("ProxyComboBox"))->setCurrentIndex(VPNSettings::Http);
        QTest::keyClicks(control("ProxyAddressEdit"), QStringLiteral("proxy.lan"));
        QTest::keyClicks(control("ProxyPortEdit"), QStringLiteral("3128"));
        press("SaveOptionsButton");
        QTRY_VERIFY(!options->isVisible());
        QVERIFY(!Child("TcpIndicatorLabel")->isHidden());
        QCOMPARE(CurrentRecord()->protocol, int(VPNServer::Tcp));
        QCOMPARE(m_context->Api().Queue().Proxy().hostName(), QStringLiteral("proxy.lan"));

        // While connected the dialog's list cannot change; after the drop it can.
        Run(QStringLiteral(
            "exit 203.0.113.77; trigger trayConnectAction; tunnel connected; =state ConnectedState"));
        m_window->OnMenuOptionsPressed();
        const int row = optionsList->currentIndex();
        QTest::keyClick(optionsList, Qt::Key_Down);
        QCOMPARE(optionsList->currentIndex(), row);
        Run(QStringLiteral("tunnel dropped; =state ServerSelectState"));
        QTest::keyClick(optionsList, Qt::Key_Down);
        QCOMPARE(optionsList->currentIndex(), row + 1);

        // Point-to-point changed: YES restarts the program, once the tunnel is down.
        QObject::disconnect(m_window.get(), &VPNMainWindow::RestartRequested, nullptr, nullptr);
        QSignalSpy restart(m_window.get(), &VPNMainWindow::RestartRequested);
        press("EnablePTPCheckBox");
        press("SaveOptionsButton");
        QVERIFY(QTest::qWaitFor([options] { return options->QuestionDialog()->isVisible(); }));
        QVERIFY(Press(options->QuestionDialog(), "PrimaryButton"));
        QTRY_COMPARE(restart.count(), 1);
    }

    // The menu's Update button checks now; the update dialog shows the answer, with the feed's
    // texts as plain text (markup in them stays text) and links to the release's own addresses.
    void updateButtonChecksNow_data()
    {
        QTest::addColumn<QByteArray>("feed"); // empty: the running version offered
        QTest::addColumn<QString>("heading"); // %1: the running version
        QTest::addColumn<QString>("details");
        QTest::addColumn<QString>("links");
        const QByteArray newer
            = "<rss xmlns:s=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel><item>"
              "<title>Norvane &lt;b>99&lt;/b></title><description>&lt;p>Faster&lt;/p></description>"
              "<s:releaseNotesLink>https://www.norvane.example/notes</s:releaseNotesLink>"
              "<enclosure url=\"https://dl.example/n.deb\" s:version=\"99\" "
              "s:shortVersionString=\"99&lt;i>b&lt;/i>\"/></item></channel></rss>";
        // clang-format off
        QTest::newRow("newer") << newer << QStringLiteral("Version 99<i>b</i> is available. You have version %1.") << QStringLiteral("Norvane <b>99</b>\n\nFaster") << QStringLiteral("Download version 99<i>b</i> Release notes");
        QTest::newRow("up to date") << QByteArray() << QStringLiteral("You have the newest version (%1).") << QString() << QString();
        QTest::newRow("failed") << QByteArray("<rss>") << QStringLiteral("The update check failed. Please try again later.") << QStringLiteral("the update feed is not valid XML (line 1, column 5): Premature end of document.") << QString();
        // clang-format on
    }
    void updateButtonChecksNow()
    {
        QFETCH(QByteArray, feed);
        QFETCH(QString, heading);
        QFETCH(QString, details);
        QFETCH(QString, links);
        feed.isEmpty() ? m_simulator->SetOfferedVersion(VersionInfo::Read()) : m_simulator->SetAppcast(feed);
        Start(false);
        Run(QStringLiteral("click MenuUpdateButton"));
        VPNUpdateDialog* dialog = m_window->UpdateDialog();
        auto* headingLabel = dialog->findChild<QLabel*>(QStringLiteral("HeadingLabel"));
        QCOMPARE(headingLabel->text(), QStringLiteral("Checking for updates..."));
        QTRY_COMPARE_WITH_TIMEOUT(headingLabel->text(), heading.arg(VersionInfo::Read()), 15000);
        QVERIFY(dialog->isVisible() && dialog->windowModality() == Qt::NonModal);
        QCOMPARE(headingLabel->textFormat(), Qt::PlainText);
        auto* detailsText = dialog->findChild<QPlainTextEdit*>(QStringLiteral("DetailsText"));
        QCOMPARE(detailsText->isVisible() ? detailsText->toPlainText() : QString(), details);
        auto* linksLabel = dialog->findChild<QLabel*>(QStringLiteral("LinksLabel"));
        QCOMPARE(linksLabel->isVisible()
                     ? QTextDocumentFragment::fromHtml(linksLabel->text()).toPlainText().simplified()
                     : QString(),
                 links);
        for (const char* link : {"download", "notes", "https://elsewhere.example/"})
            emit linksLabel->linkActivated(QLatin1String(link));
        const QList<QUrl> release = {QUrl(QStringLiteral("https://dl.example/n.deb")),
                                     QUrl(QStringLiteral("https://www.norvane.example/notes"))};
        QCOMPARE(m_browser->urls, links.isEmpty() ? QList<QUrl>() : release);
    }
};

QTEST_MAIN(TestMainWindow)
#include "testmainwindow.moc"
