#include "../worldwindow.h"
#include "logcapture.h"

#include <QFile>

// The main window with the real tunnel controller and OpenVPN, in the client namespace of the
// service world, driven by clicks: connect, change the exit address, disconnect, and a tunnel
// dropped by the server.
class TestConnectionWorld final : public QObject
{
    Q_OBJECT

private:
    E2e::WorldWindow m_world;

private slots:
    void initTestCase()
    {
        E2E_SKIP_OUTSIDE_THE_WORLD();
        QVERIFY(!qEnvironmentVariable("NORVANE_ACCOUNT_KEY").isEmpty());
        m_world.Open();
    }

    void cleanupTestCase() { m_world.Close(); }

    void connectsThroughTheRealServer()
    {
        m_world.ConnectAndCheck();
        QCOMPARE(m_world.Text("MainNewIPLabel"), QStringLiteral("203.0.113.77"));
    }

    void changeIpShowsTheNewExitAddress()
    {
        QCOMPARE(m_world.State(), QStringLiteral("ConnectedState"));
        m_world.Click("ChangeIPButton");
        QCOMPARE(m_world.Text("MainNewIPLabel"), QStringLiteral("Changing..."));
        QTRY_VERIFY_WITH_TIMEOUT(m_world.Text("MainNewIPLabel").startsWith(QLatin1String("203.0.113.")),
                                 30000);
        QVERIFY(m_world.Text("MainNewIPLabel") != QLatin1String("203.0.113.77"));
        QCOMPARE(m_world.State(), QStringLiteral("ConnectedState"));
        QVERIFY(m_world.Child("ChangeIPButton")->isEnabled());
        QFile changes(E2e::WorldDir() + QStringLiteral("/sim/change-ip.log"));
        QVERIFY(changes.open(QIODevice::ReadOnly));
        QVERIFY(changes.readAll().contains(m_world.Text("MainNewIPLabel").toUtf8()));
    }

    // The countdown's texts and the closed CONNECT are the controller's and the window's tests.
    void userDisconnectEndsTheTunnelWithoutAReason()
    {
        LogCapture log;
        m_world.Click("DisconnectButton");
        QTRY_COMPARE_WITH_TIMEOUT(m_world.State(), QStringLiteral("ServerSelectState"), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(log.Contains(QStringLiteral("Delay between reconnects finished.")), 30000);
        QVERIFY(m_world.Child("ConnectButton")->isEnabled());
        QVERIFY(!log.Contains(QStringLiteral("Disconnect reason")));
        QCOMPARE(E2e::OpenVpnProcesses(), 0);
    }

    void droppedTunnelShowsItsReason()
    {
        m_world.ConnectAndCheck();
        LogCapture log;
        // The server goes away: OpenVPN notices the missing pings, and the window says why (what
        // else it shows after a drop is the main window's test).
        QVERIFY(E2e::World(QStringLiteral("stop-server"), {QStringLiteral("udp")}));
        QTRY_VERIFY_WITH_TIMEOUT(
            log.Contains(QStringLiteral("Disconnect reason: server dropped connection.")), 60000);
        QCOMPARE(m_world.State(), QStringLiteral("ServerSelectState"));
        QCOMPARE(m_world.Indicator(),
                 QStringLiteral("AN ERROR OCCURRED. RESTART & TRY AGAIN OR EXIT & CONTACT SUPPORT."));
        QTRY_COMPARE_WITH_TIMEOUT(E2e::OpenVpnProcesses(), 0, 20000);
        QVERIFY(E2e::World(QStringLiteral("start-server"), {QStringLiteral("udp")}));
    }
};

QTEST_MAIN(TestConnectionWorld)
#include "testconnectionworld.moc"
