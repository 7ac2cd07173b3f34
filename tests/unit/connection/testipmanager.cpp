#include "connection/vpnipmanager.h"
#include "fakeapi.h"
#include "fakeclock.h"

#include <QSignalSpy>
#include <QTest>

// What the connection workflow's table does not reach: the retry of one kind of request must
// not answer another, and an empty answer is never "a different address".
class TestIpManager final : public QObject
{
    Q_OBJECT

private slots:
    void newRequestCancelsPendingRetry()
    {
        FakeApi api;
        FakeClock clock;
        VPNIpManager manager(api, clock);
        manager.RequestLocalIp();
        manager.SetGenericIp(QString()); // first failure: retry pending
        manager.RequestRemoteIp(); // the workflow moved on
        clock.Advance(5000);
        QCOMPARE(api.TakeCalls(), QStringList(2, QStringLiteral("GetRequestEntityIp")));
    }

    void emptyAddressesNeverCountAsChanged()
    {
        FakeApi api;
        FakeClock clock;
        VPNIpManager manager(api, clock);
        QSignalSpy remote(&manager, &VPNIpManager::RemoteIpCheckFinished);
        // Local address never learnt and every answer empty: a failure, not "a different address".
        manager.RequestRemoteIp();
        manager.SetGenericIp(QString());
        clock.Advance(1000);
        manager.SetGenericIp(QString());
        QCOMPARE(remote.count(), 1);
        QCOMPARE(remote.at(0).at(0).toBool(), false);
    }
};

QTEST_GUILESS_MAIN(TestIpManager)
#include "testipmanager.moc"
