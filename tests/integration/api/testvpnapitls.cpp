#include "api/vpnapi.h"
#include "logcapture.h"
#include "simulatorfixture.h"

#include <QSignalSpy>
#include <QTest>

using Code = VPNApiResponse::ApiErrorCode;

class TestVPNApiTls final : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void unknownCaFailsAndNamesTheCertificate();
    void stuckRequestEndsAsNetworkError();

private:
    SimulatorFixture m_fixture;
    std::unique_ptr<ServiceSimulator> m_simulator;
};

void TestVPNApiTls::initTestCase()
{
    QString error;
    QVERIFY2(m_fixture.Prepare(&error), qPrintable(error));
}

void TestVPNApiTls::init()
{
    m_simulator = m_fixture.Start();
    QVERIFY(m_simulator);
}

void TestVPNApiTls::cleanup()
{
    m_simulator.reset();
}

void TestVPNApiTls::unknownCaFailsAndNamesTheCertificate()
{
    VPNApi api(m_simulator->HostAndPort(), QStringLiteral("Tq3vWz8p"));
    api.SetAccountKey(SimulatorFixture::AccountKey());
    LogCapture log;
    QSignalSpy finished(api.UserInfoResponse(), &VPNApiResponse::Finished);
    api.GetUserInfo();
    QVERIFY(finished.wait());
    QCOMPARE(api.UserInfoResponse()->ErrorCode(), Code::NetworkError);
    QVERIFY(api.AccountEmail().isEmpty());
    QVERIFY(m_simulator->Requests().isEmpty());
    const QString all = log.All();
    QVERIFY2(all.contains(QStringLiteral("SSL errors:")), qPrintable(all));
    QVERIFY2(all.contains(QStringLiteral("peer's certificate:")) && all.contains(QStringLiteral("localhost")),
             qPrintable(all));
    QVERIFY(all.contains(QStringLiteral("Network error occured during script call:")));
}

void TestVPNApiTls::stuckRequestEndsAsNetworkError()
{
    m_simulator->SetResponseDelay(10 * 60 * 1000);
    VPNApi api(m_simulator->HostAndPort(), QStringLiteral("Tq3vWz8p"));
    api.Queue().SetExtraCaFile(m_fixture.CaPath());
    QCOMPARE(api.Queue().TransferTimeout(), std::chrono::milliseconds(30000)); // the designed value
    api.Queue().SetTransferTimeout(std::chrono::milliseconds(300));
    LogCapture log;
    QSignalSpy address(&api, &VPNApi::RequestEntityIpReceived);
    api.GetRequestEntityIp();
    QVERIFY(address.wait(20000));
    QCOMPARE(address.first().first().toString(), QString());
    QCOMPARE(api.RequestEntityIpResponse()->ErrorCode(), Code::NetworkError);
    QCOMPARE(m_simulator->Requests().size(), 1);
    QVERIFY(log.Contains(QStringLiteral("Network error occured during script call:")));
}

QTEST_GUILESS_MAIN(TestVPNApiTls)
#include "testvpnapitls.moc"
