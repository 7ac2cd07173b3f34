#include "api/vpnapi.h"
#include "connection/vpnipmanager.h"
#include "logcapture.h"

#include <QSignalSpy>
#include <QTest>

// The IP manager against an API client whose every request fails at once (nothing listens on
// the port): each request is answered with an empty address, as a failed lookup is.
class TestIpManager final : public QObject
{
    Q_OBJECT

private:
    struct Rig
    {
        VPNApi api {QStringLiteral("127.0.0.1:1"), QStringLiteral("Tq3vWz8p")};
        VPNIpManager manager {api};
        QSignalSpy requests {&api, &VPNApi::RequestEntityIpReceived};
        QSignalSpy local {&manager, &VPNIpManager::LocalIpCheckFinished};
        QSignalSpy remote {&manager, &VPNIpManager::RemoteIpCheckFinished};

        Rig() { manager.SetRetryInterval(20); }
        void AnswerRequests()
        {
            QObject::connect(&api, &VPNApi::RequestEntityIpReceived, &manager, &VPNIpManager::SetGenericIp);
        }
    };

private slots:
    void localFailsAfterOneRetry()
    {
        LogCapture log;
        Rig rig;
        rig.AnswerRequests();
        rig.manager.RequestLocalIp();
        QTRY_COMPARE_WITH_TIMEOUT(rig.local.count(), 1, 15000);
        QCOMPARE(rig.local.at(0).at(0).toBool(), false);
        QCOMPARE(rig.requests.count(), 2);
        const QString all = log.All();
        const auto first = all.indexOf(
            QStringLiteral("First attempt to request local IP failed. Second attempt in 1 sec."));
        const auto second = all.indexOf(QStringLiteral("Second attempt to request local IP failed."));
        QVERIFY(first >= 0 && second > first);

        // The next request gets its retry again.
        rig.manager.RequestLocalIp();
        QTRY_COMPARE_WITH_TIMEOUT(rig.local.count(), 2, 15000);
        QCOMPARE(rig.requests.count(), 4);
    }

    void remoteRetriesWhenTheAddressDidNotChange()
    {
        LogCapture log;
        Rig rig;
        rig.manager.RequestLocalIp();
        rig.manager.SetGenericIp(QStringLiteral("192.0.2.2"));
        QCOMPARE(rig.local.count(), 1);
        QCOMPARE(rig.manager.LocalIp(), QStringLiteral("192.0.2.2"));

        rig.manager.RequestRemoteIp();
        rig.manager.SetGenericIp(QStringLiteral("192.0.2.2")); // traffic not through the tunnel yet
        QVERIFY(
            log.Contains(QStringLiteral("First attempt to request new IP failed. Second attempt in 1 sec.")));
        QCOMPARE(rig.remote.count(), 0);
        // The retry goes out as a new request.
        QTRY_COMPARE(rig.requests.count(), 3);
        rig.manager.SetGenericIp(QStringLiteral("198.51.100.20"));
        QCOMPARE(rig.remote.count(), 1);
        QCOMPARE(rig.remote.at(0).at(0).toBool(), true);
        QCOMPARE(rig.manager.RemoteIp(), QStringLiteral("198.51.100.20"));
        QVERIFY(log.Contains(QStringLiteral("Assigned IP:  \"198.51.100.20\"")));
    }

    void emptyAddressesNeverCountAsChanged()
    {
        LogCapture log;
        Rig rig;
        rig.AnswerRequests();
        // Local address never learnt and every answer empty: a failure, not "a different address".
        rig.manager.RequestRemoteIp();
        QTRY_COMPARE_WITH_TIMEOUT(rig.remote.count(), 1, 15000);
        QCOMPARE(rig.remote.at(0).at(0).toBool(), false);
        QVERIFY(log.Contains(QStringLiteral("Second attempt to request new IP failed. Disconnect here.")));
    }

    void newRequestCancelsPendingRetry()
    {
        Rig rig;
        rig.manager.SetRetryInterval(200);
        rig.manager.RequestLocalIp();
        rig.manager.SetGenericIp(QString()); // first failure: retry pending
        rig.manager.RequestRemoteIp(); // the user moved on
        QTest::qWait(400);
        // Two requests went out (local, remote); the stale local retry did not.
        QCOMPARE(rig.requests.count(), 2);
    }

    void defaultRetryIsOneSecond()
    {
        VPNApi api(QStringLiteral("127.0.0.1:1"), QStringLiteral("Tq3vWz8p"));
        VPNIpManager manager(api);
        QCOMPARE(manager.RetryInterval(), 1000);
    }
};

QTEST_GUILESS_MAIN(TestIpManager)
#include "testipmanager.moc"
