#include "../e2esupport.h"
#include "appcontext.h"
#include "connection/accountsession.h"
#include "connection/connectioncontroller.h"
#include "deployment.h"
#include "linux/linuxsystemservices.h"
#include "logcapture.h"
#include "memoryaccountkeystore.h"
#include "settings/settingsfile.h"
#include "startup.h"
#include "temphome.h"
#include "tunnel/openvpngeneric.h"
#include "vpnmainwindow.h"
#include "widgets/vpnconnectionindicator.h"
#include "widgets/vpngraphicstextitem.h"

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>

// The main window with the real tunnel controller and OpenVPN, in the client namespace of the
// service world, driven by clicks: connect, change the exit address, disconnect with the
// countdown, and a tunnel dropped by the server.
class TestConnectionWorld final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<VPNAppContext> m_context;
    std::unique_ptr<VPNMainWindow> m_window;
    QString m_configPath;

    template<typename T = QWidget> T* Child(const char* name) const
    {
        return m_window->findChild<T*>(QLatin1String(name));
    }
    QString Text(const char* label) const { return Child<QLabel>(label)->text(); }
    QString State() const { return ConnectionController::StateName(m_context->Connection().CurrentState()); }

    void Click(const char* button)
    {
        auto* target = Child<QPushButton>(button);
        QVERIFY2(target, button);
        const QString why = QStringLiteral("%1: hidden %2, enabled %3, view %4")
                                .arg(QLatin1String(button))
                                .arg(target->isHidden())
                                .arg(target->isEnabled())
                                .arg(Child<QStackedWidget>("CurrentView")->currentWidget()->objectName());
        QVERIFY2(target->isVisible() && target->isEnabled(), qPrintable(why));
        QTest::mouseClick(target, Qt::LeftButton);
    }

    void ConnectAndCheck()
    {
        Click("ConnectButton");
        QTRY_COMPARE_WITH_TIMEOUT(State(), QStringLiteral("ConnectedState"), 60000);
        QCOMPARE(Text("MainStatusLabel"), QStringLiteral("YOU ARE SECURELY CONNECTED"));
        QCOMPARE(Text("MainLocalIPLabel"), QStringLiteral("192.0.2.2"));
        // The first exit address of the tunnel, or the one its last change gave.
        QVERIFY2(Text("MainNewIPLabel").startsWith(QLatin1String("203.0.113.")),
                 qPrintable(Text("MainNewIPLabel")));
        QCOMPARE(E2e::OpenVpnProcesses(), 1);
    }

    bool World(const QString& command, const QString& server)
    {
        QProcess world;
        world.setProcessChannelMode(QProcess::ForwardedChannels);
        world.start(QStringLiteral("bash"),
                    {qEnvironmentVariable("NORVANE_SOURCE_DIR") + QStringLiteral("/tools/world/world.sh"),
                     command, E2e::WorldDir(), server});
        return world.waitForFinished(60000) && world.exitCode() == 0;
    }

private slots:
    void initTestCase()
    {
        if (E2e::WorldDir().isEmpty())
            QSKIP("not inside the service world (run through tools/world/run-in-world.sh as root)");
        QVERIFY(!qEnvironmentVariable("NORVANE_ACCOUNT_KEY").isEmpty());
        m_home = std::make_unique<TempHome>();
        auto services = std::make_unique<LinuxSystemServices>(QStringLiteral("norvane"));
        services->SetExecutable(QCoreApplication::applicationFilePath());
        m_configPath = GetOpenVpnConfigPath(*services);

        QVERIFY(E2e::WriteSettings(GetSettingsFilePath(*services), false));

        m_context = std::make_unique<VPNAppContext>(std::move(services));
        // The key comes from NORVANE_ACCOUNT_KEY; the tunnel controller is the real one.
        m_context->CreateWorkflow(CreateTunnel(*m_context), std::make_unique<MemoryAccountKeyStore>(),
                                  Deployment::AccountKeyOverride());
        m_window = CreateMainWindow(*m_context);
        m_window->show();
        m_context->Account().LoadAccountKey();
        QTRY_COMPARE_WITH_TIMEOUT(State(), QStringLiteral("ServerSelectState"), 30000);
    }

    void cleanupTestCase()
    {
        m_window.reset();
        m_context.reset();
        if (!m_configPath.isEmpty())
            QCOMPARE(E2e::OpenVpnProcesses(), 0);
    }

    void connectsThroughTheRealServer()
    {
        ConnectAndCheck();
        QCOMPARE(Text("MainNewIPLabel"), QStringLiteral("203.0.113.77"));
    }

    void changeIpShowsTheNewExitAddress()
    {
        QCOMPARE(State(), QStringLiteral("ConnectedState"));
        Click("ChangeIPButton");
        QCOMPARE(Text("MainNewIPLabel"), QStringLiteral("Changing..."));
        QTRY_VERIFY_WITH_TIMEOUT(Text("MainNewIPLabel").startsWith(QLatin1String("203.0.113.")), 30000);
        QVERIFY(Text("MainNewIPLabel") != QLatin1String("203.0.113.77"));
        QCOMPARE(State(), QStringLiteral("ConnectedState"));
        QVERIFY(Child("ChangeIPButton")->isEnabled());
        QFile changes(E2e::WorldDir() + QStringLiteral("/sim/change-ip.log"));
        QVERIFY(changes.open(QIODevice::ReadOnly));
        QVERIFY(changes.readAll().contains(Text("MainNewIPLabel").toUtf8()));
    }

    void userDisconnectCountsDown()
    {
        LogCapture log;
        // Each status text the user sees after the press, once.
        QStringList texts;
        bool usableDuringCountdown = false;
        const QObject scope; // ends the recording with this test
        connect(&m_context->Connection(), &ConnectionController::StatusChanged, &scope, [&] {
            const QString text = Text("MainStatusLabel");
            if (texts.isEmpty() || texts.last() != text)
                texts << text;
            if (text != QLatin1String("CLICK CONNECT TO SECURE YOUR INTERNET")
                && Child("ConnectButton")->isEnabled())
                usableDuringCountdown = true;
        });
        Click("DisconnectButton");
        QTRY_COMPARE_WITH_TIMEOUT(State(), QStringLiteral("ServerSelectState"), 30000);
        QVERIFY(!Child("ConnectButton")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(log.Contains(QStringLiteral("Delay between reconnects finished.")), 30000);
        QCOMPARE(texts.size(), 14);
        QCOMPARE(texts.first(), QStringLiteral("Secure Disconnection is in progress: 10%"));
        QCOMPARE(texts.at(10), QStringLiteral("Activity Log: None found"));
        QCOMPARE(texts.last(), QStringLiteral("CLICK CONNECT TO SECURE YOUR INTERNET"));
        QVERIFY(!usableDuringCountdown);
        QVERIFY(Child("ConnectButton")->isEnabled());
        QVERIFY(!log.Contains(QStringLiteral("Disconnect reason")));
        QCOMPARE(E2e::OpenVpnProcesses(), 0);
    }

    void droppedTunnelShowsItsReason()
    {
        ConnectAndCheck();
        LogCapture log;
        // The server goes away: OpenVPN notices the missing pings, and the window says why.
        QVERIFY(World(QStringLiteral("stop-server"), QStringLiteral("udp")));
        QTRY_VERIFY_WITH_TIMEOUT(
            log.Contains(QStringLiteral("Disconnect reason: server dropped connection.")), 60000);
        QCOMPARE(State(), QStringLiteral("ServerSelectState"));
        QCOMPARE(m_window->ConnectionIndicator()->MessageItem()->toPlainText(),
                 QStringLiteral("AN ERROR OCCURRED. RESTART & TRY AGAIN OR EXIT & CONTACT SUPPORT."));
        QVERIFY(!Child("RestartButton")->isHidden());
        QVERIFY(m_window->ConnectionIndicator()->isVisible());
        QCOMPARE(Text("MainStatusLabel"), QStringLiteral("CLICK CONNECT TO SECURE YOUR INTERNET"));
        QTRY_COMPARE_WITH_TIMEOUT(E2e::OpenVpnProcesses(), 0, 20000);
        QVERIFY(World(QStringLiteral("start-server"), QStringLiteral("udp")));
    }
};

QTEST_MAIN(TestConnectionWorld)
#include "testconnectionworld.moc"
