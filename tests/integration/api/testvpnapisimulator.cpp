#include "api/vpnapi.h"
#include "logcapture.h"
#include "simulatorfixture.h"
#include "testfiles.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using Code = VPNApiResponse::ApiErrorCode;

namespace {

const QByteArray kBoundary = "-----------------------------193531931418651";

// One script call made through the client.
using Call = std::function<void(VPNApi&)>;

// What goes wrong between the client and the service.
enum class Fault
{
    UnknownAccount,
    HttpError,
    UntrustedCertificate,
    NoReply,
};

} // namespace

Q_DECLARE_METATYPE(Call)
Q_DECLARE_METATYPE(Fault)

class TestVPNApiSimulator final : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_fixture.Prepare(&error), qPrintable(error));
    }

    void init()
    {
        m_simulator = m_fixture.Start();
        QVERIFY(m_simulator);
    }

    void cleanup() { m_simulator.reset(); }

    // The bytes of every script call, and that the account key never reaches the log. What the
    // client makes of the replies is shown by the main window's workflow tests against the same
    // simulator.
    void operationsOnTheWire_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<QString>("accountKey");
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("body");
        const QString key = SimulatorFixture::AccountKey();
        const QString ip = QStringLiteral("198.51.100.12");
        QTest::newRow("server list") << Call([](VPNApi& api) {
            api.GetServerList(QStringLiteral("autodetect"));
        }) << key << QByteArrayLiteral("/3/getServerList")
                                     << QByteArrayLiteral("api_key=Tq3vWz8p&ip=autodetect&serial=k3yAbc9x");
        // Unreserved characters as they are, a blank as "+", every other byte of the UTF-8
        // percent-encoded: neither "&" nor "=" can add a field, nor "+" pass for a blank.
        QTest::newRow("region, encoded")
            << Call([](VPNApi& api) {
                   api.GetServerListForRegion(QStringLiteral("a-b.c_d~e a&serial=b+S\u00e3o"));
               })
            << key << QByteArrayLiteral("/3/getServerList")
            << QByteArrayLiteral("api_key=Tq3vWz8p&region_name=a-b.c_d~e+a%26serial%"
                                 "3Db%2BS%C3%A3o&serial=k3yAbc9x");
        QTest::newRow("anchor info") << Call([](VPNApi& api) { api.GetVpnNetworkAccountIpAnchor(); }) << key
                                     << QByteArrayLiteral("/3/getVpnNetworkAccountIpAnchor")
                                     << QByteArrayLiteral("api_key=Tq3vWz8p&serial=k3yAbc9x");
        QTest::newRow("anchor") << Call([ip](VPNApi& api) { api.DoAnchorVpnNetworkAccountIp(ip); }) << key
                                << QByteArrayLiteral("/3/doAnchorVpnNetworkAccountIp")
                                << QByteArrayLiteral(
                                       "api_key=Tq3vWz8p&serial=k3yAbc9x&server_ip=198.51.100.12");
        QTest::newRow("anchor without account key: no serial")
            << Call([ip](VPNApi& api) { api.DoAnchorVpnNetworkAccountIp(ip); }) << QString()
            << QByteArrayLiteral("/3/doAnchorVpnNetworkAccountIp")
            << QByteArrayLiteral("api_key=Tq3vWz8p&server_ip=198.51.100.12");
        QTest::newRow("unanchor") << Call([](VPNApi& api) { api.DoUnanchorVpnNetworkAccountIp(); }) << key
                                  << QByteArrayLiteral("/3/doUnanchorVpnNetworkAccountIp")
                                  << QByteArrayLiteral("api_key=Tq3vWz8p&serial=k3yAbc9x");
        QTest::newRow("user info") << Call([](VPNApi& api) { api.GetUserInfo(); }) << key
                                   << QByteArrayLiteral("/3/getUserInfo")
                                   << QByteArrayLiteral("api_key=Tq3vWz8p&serial=k3yAbc9x");
        QTest::newRow("public address, no serial")
            << Call([](VPNApi& api) { api.GetRequestEntityIp(); }) << key
            << QByteArrayLiteral("/1/getRequestEntityIp") << QByteArrayLiteral("api_key=Tq3vWz8p");
    }

    void operationsOnTheWire()
    {
        QFETCH(Call, call);
        QFETCH(QString, accountKey);
        auto api = MakeApi();
        api->SetAccountKey(accountKey);
        QSignalSpy received(m_simulator.get(), &ServiceSimulator::RequestReceived);
        LogCapture log;
        call(*api);
        QVERIFY(received.wait());
        QVERIFY(!log.All().contains(SimulatorFixture::AccountKey(), Qt::CaseInsensitive));
        const HttpRequest& request = m_simulator->Requests().first();
        QCOMPARE(request.method, QByteArrayLiteral("POST"));
        QTEST(request.target, "path");
        QTEST(request.body, "body");
        QCOMPARE(request.Header("Content-Type"), QByteArrayLiteral("application/x-www-form-urlencoded"));
        QCOMPARE(request.Header("Content-Length"), QByteArray::number(request.body.size()));
        QCOMPARE(request.HeaderCount("Connection"), 1);
        QCOMPARE(request.Header("Connection"), QByteArrayLiteral("close"));
        QCOMPARE(QString::fromLatin1(request.Header("Host")), m_simulator->HostAndPort());
    }

    void supportTicketOnTheWire_data()
    {
        QTest::addColumn<QString>("osName");
        QTest::addColumn<QByteArray>("osPart");
        QTest::newRow("with OS name") << QStringLiteral("Debian 12")
                                      << QByteArray(kBoundary
                                                    + "\r\nContent-Disposition: form-data; "
                                                      "name=\"os_version\"\r\n\r\nDebian 12\r\n");
        QTest::newRow("without OS name") << QString() << QByteArray();
    }

    void supportTicketOnTheWire()
    {
        QFETCH(QString, osName);
        QFETCH(QByteArray, osPart);
        QTemporaryDir files;
        const QString support = files.filePath(QStringLiteral("support.txt"));
        const QString log = files.filePath(QStringLiteral("log.txt"));
        QVERIFY(WriteFile(support, "ping 192.0.2.1\r\n"));
        QVERIFY(WriteFile(log, QByteArray("log\0line", 8)));

        auto api = MakeApi();
        api->SetAccountKey(SimulatorFixture::AccountKey());
        api->SetSystemDescription(QStringLiteral("0.1.0"), osName);
        QSignalSpy info(api->UserInfoResponse(), &VPNApiResponse::Finished);
        api->GetUserInfo();
        QVERIFY(info.wait());
        m_simulator->ClearRequests();

        QSignalSpy finished(api.get(), &VPNApi::CreateSupportTicketFinished);
        api->AddLogTicket(support, log);
        QVERIFY(finished.wait());
        QCOMPARE(finished.first().at(0).toBool(), true);
        const QString link = finished.first().at(1).toString();
        QCOMPARE(link, QStringLiteral("https://%1/tickets/1").arg(m_simulator->HostAndPort()));

        QCOMPARE(m_simulator->Requests().size(), 1);
        const HttpRequest& request = m_simulator->Requests().first();
        QCOMPARE(request.target, QByteArrayLiteral("/3/addLogTicket"));
        QCOMPARE(
            request.Header("Content-Type"),
            QByteArrayLiteral("multipart/form-data; boundary=---------------------------193531931418651"));
        QCOMPARE(request.Header("Content-Length"), QByteArray::number(request.body.size()));
        const QByteArray expected = kBoundary
            + "\r\nContent-Disposition: form-data; name=\"api_key\"\r\n\r\nTq3vWz8p\r\n" + kBoundary
            + "\r\nContent-Disposition: form-data; name=\"email\"\r\n\r\nann@example.org\r\n" + kBoundary
            + "\r\nContent-Disposition: form-data; name=\"software_version\"\r\n\r\n0.1.0\r\n" + osPart
            + kBoundary
            + "\r\nContent-Disposition: form-data; name=\"support_file\"; filename=\"support_file.txt\"\r\n"
              "Content-Type: text/plain\r\nContent-Transfer-Encoding: "
              "base64\r\n\r\ncGluZyAxOTIuMC4yLjENCg==\r\n"
            + kBoundary
            + "\r\nContent-Disposition: form-data; name=\"log_file\"; filename=\"log_file.txt\"\r\n"
              "Content-Type: text/plain\r\nContent-Transfer-Encoding: base64\r\n\r\nbG9nAGxpbmU=\r\n"
            + kBoundary + "--\r\n";
        QCOMPARE(request.body, expected);
        QCOMPARE(ReadFile(m_simulator->TicketDirectory(1) + QStringLiteral("/log_file.txt")),
                 QByteArray("log\0line", 8));
    }

    void missingSupportFileSendsNothing()
    {
        QTemporaryDir files;
        const QString support = files.filePath(QStringLiteral("support.txt"));
        QVERIFY(WriteFile(support, "x"));
        auto api = MakeApi();
        QSignalSpy finished(api.get(), &VPNApi::CreateSupportTicketFinished);
        api->AddLogTicket(support, files.filePath(QStringLiteral("missing.log")));
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.first().at(0).toBool(), false);
        QCOMPARE(finished.first().at(1).toString(), QString());

        // A later request is the first one the service sees.
        QSignalSpy address(api.get(), &VPNApi::RequestEntityIpReceived);
        api->GetRequestEntityIp();
        QVERIFY(address.wait());
        QCOMPARE(m_simulator->Requests().size(), 1);
        QCOMPARE(m_simulator->Requests().first().target, QByteArrayLiteral("/1/getRequestEntityIp"));
    }

    // A call that fails ends in the error signal, never in a list. An untrusted certificate stops
    // the call before the request is sent; a stuck reply ends at the transfer time-out.
    void failedCalls_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<Code>("code");
        QTest::newRow("unknown account") << Fault::UnknownAccount << Code::ApiWrongId;
        QTest::newRow("HTTP 503") << Fault::HttpError << Code::NetworkError;
        QTest::newRow("untrusted certificate") << Fault::UntrustedCertificate << Code::NetworkError;
        QTest::newRow("no reply") << Fault::NoReply << Code::NetworkError;
    }

    void failedCalls()
    {
        QFETCH(Fault, fault);
        m_simulator->SetHttpError(fault == Fault::HttpError ? 503 : 0);
        auto api = MakeApi();
        api->SetAccountKey(fault == Fault::UnknownAccount ? QStringLiteral("nobody")
                                                          : SimulatorFixture::AccountKey());
        if (fault == Fault::UntrustedCertificate)
            api->Queue().SetExtraCaFile(QString());
        if (fault == Fault::NoReply) {
            m_simulator->SetResponseDelay(10 * 60 * 1000);
            QCOMPARE(api->Queue().TransferTimeout(), std::chrono::milliseconds(30000)); // the designed value
            api->Queue().SetTransferTimeout(std::chrono::milliseconds(300));
        }
        QSignalSpy failed(api.get(), &VPNApi::ServerListErrorOccured);
        QSignalSpy lists(api.get(), &VPNApi::ServerListsReceived);
        api->GetServerList(QStringLiteral("autodetect"));
        QVERIFY(failed.wait(20000));
        QCOMPARE(lists.count(), 0);
        QTEST(api->ServerListResponse()->ErrorCode(), "code");
        QCOMPARE(m_simulator->Requests().size(), fault == Fault::UntrustedCertificate ? 0 : 1);
    }

private:
    std::unique_ptr<VPNApi> MakeApi() const
    {
        auto api = std::make_unique<VPNApi>(m_simulator->HostAndPort(), QStringLiteral("Tq3vWz8p"));
        api->Queue().SetExtraCaFile(m_fixture.CaPath());
        return api;
    }

    SimulatorFixture m_fixture;
    std::unique_ptr<ServiceSimulator> m_simulator;
};

QTEST_GUILESS_MAIN(TestVPNApiSimulator)
#include "testvpnapisimulator.moc"
