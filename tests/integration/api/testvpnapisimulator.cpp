#include "api/vpnapi.h"
#include "logcapture.h"
#include "simulatorfixture.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using Code = VPNApiResponse::ApiErrorCode;

namespace {

const QByteArray kBoundary = "-----------------------------193531931418651";

// One script call made through the client.
using Call = std::function<void(VPNApi&)>;

bool WriteFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

} // namespace

Q_DECLARE_METATYPE(Call)

class TestVPNApiSimulator final : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void operationsOnTheWire_data();
    void operationsOnTheWire();
    void supportTicketOnTheWire_data();
    void supportTicketOnTheWire();
    void missingSupportFileSendsNothing();
    void serviceErrors_data();
    void serviceErrors();
    void accountKeyNeverLogged();

private:
    std::unique_ptr<VPNApi> MakeApi(const QString& apiKey = QStringLiteral("Tq3vWz8p")) const;

    SimulatorFixture m_fixture;
    std::unique_ptr<ServiceSimulator> m_simulator;
};

void TestVPNApiSimulator::initTestCase()
{
    QString error;
    QVERIFY2(m_fixture.Prepare(&error), qPrintable(error));
}

void TestVPNApiSimulator::init()
{
    m_simulator = m_fixture.Start();
    QVERIFY(m_simulator);
}

void TestVPNApiSimulator::cleanup()
{
    m_simulator.reset();
}

std::unique_ptr<VPNApi> TestVPNApiSimulator::MakeApi(const QString& apiKey) const
{
    auto api = std::make_unique<VPNApi>(m_simulator->HostAndPort(), apiKey);
    api->Queue().SetExtraCaFile(m_fixture.CaPath());
    return api;
}

// The bytes of every script call. What the client makes of the replies is shown by the main
// window's workflow tests against the same simulator.
void TestVPNApiSimulator::operationsOnTheWire_data()
{
    QTest::addColumn<Call>("call");
    QTest::addColumn<QString>("accountKey");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("body");
    const QString key = SimulatorFixture::AccountKey();
    const QString ip = QStringLiteral("198.51.100.12");
    QTest::newRow("server list") << Call([](VPNApi& api) { api.GetServerList(QStringLiteral("autodetect")); })
                                 << key << QByteArrayLiteral("/3/getServerList")
                                 << QByteArrayLiteral("api_key=Tq3vWz8p&ip=autodetect&serial=k3yAbc9x");
    QTest::newRow("region") << Call([](VPNApi& api) {
        api.GetServerListForRegion(QStringLiteral("Hong Kong"));
    }) << key << QByteArrayLiteral("/3/getServerList")
                            << QByteArrayLiteral("api_key=Tq3vWz8p&region_name=Hong+Kong&serial=k3yAbc9x");
    QTest::newRow("anchor info") << Call([](VPNApi& api) { api.GetVpnNetworkAccountIpAnchor(); }) << key
                                 << QByteArrayLiteral("/3/getVpnNetworkAccountIpAnchor")
                                 << QByteArrayLiteral("api_key=Tq3vWz8p&serial=k3yAbc9x");
    QTest::newRow("anchor") << Call([ip](VPNApi& api) { api.DoAnchorVpnNetworkAccountIp(ip); }) << key
                            << QByteArrayLiteral("/3/doAnchorVpnNetworkAccountIp")
                            << QByteArrayLiteral("api_key=Tq3vWz8p&serial=k3yAbc9x&server_ip=198.51.100.12");
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

void TestVPNApiSimulator::operationsOnTheWire()
{
    QFETCH(Call, call);
    QFETCH(QString, accountKey);
    auto api = MakeApi();
    api->SetAccountKey(accountKey);
    QSignalSpy received(m_simulator.get(), &ServiceSimulator::RequestReceived);
    call(*api);
    QVERIFY(received.wait());
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

void TestVPNApiSimulator::supportTicketOnTheWire_data()
{
    QTest::addColumn<QString>("osName");
    QTest::addColumn<QByteArray>("osPart");
    QTest::newRow("with OS name") << QStringLiteral("Debian 12")
                                  << QByteArray(kBoundary
                                                + "\r\nContent-Disposition: form-data; "
                                                  "name=\"os_version\"\r\n\r\nDebian 12\r\n");
    QTest::newRow("without OS name") << QString() << QByteArray();
}

void TestVPNApiSimulator::supportTicketOnTheWire()
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
    QCOMPARE(request.Header("Content-Type"),
             QByteArrayLiteral("multipart/form-data; boundary=---------------------------193531931418651"));
    QCOMPARE(request.Header("Content-Length"), QByteArray::number(request.body.size()));
    QCOMPARE(request.Header("Connection"), QByteArrayLiteral("close"));
    const QByteArray expected = kBoundary
        + "\r\nContent-Disposition: form-data; name=\"api_key\"\r\n\r\nTq3vWz8p\r\n" + kBoundary
        + "\r\nContent-Disposition: form-data; name=\"email\"\r\n\r\nann@example.org\r\n" + kBoundary
        + "\r\nContent-Disposition: form-data; name=\"software_version\"\r\n\r\n0.1.0\r\n" + osPart
        + kBoundary
        + "\r\nContent-Disposition: form-data; name=\"support_file\"; filename=\"support_file.txt\"\r\n"
          "Content-Type: text/plain\r\nContent-Transfer-Encoding: base64\r\n\r\ncGluZyAxOTIuMC4yLjENCg==\r\n"
        + kBoundary
        + "\r\nContent-Disposition: form-data; name=\"log_file\"; filename=\"log_file.txt\"\r\n"
          "Content-Type: text/plain\r\nContent-Transfer-Encoding: base64\r\n\r\nbG9nAGxpbmU=\r\n"
        + kBoundary + "--\r\n";
    QCOMPARE(request.body, expected);
    QVERIFY(!request.body.contains(SimulatorFixture::AccountKey().toLatin1()));

    QFile stored(m_simulator->TicketDirectory(1) + QStringLiteral("/log_file.txt"));
    QVERIFY(stored.open(QIODevice::ReadOnly));
    QCOMPARE(stored.readAll(), QByteArray("log\0line", 8));
}

void TestVPNApiSimulator::missingSupportFileSendsNothing()
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

void TestVPNApiSimulator::serviceErrors_data()
{
    QTest::addColumn<QString>("accountKey");
    QTest::addColumn<QString>("apiKey");
    QTest::addColumn<int>("httpError");
    QTest::addColumn<bool>("malformed");
    QTest::addColumn<Code>("code");
    QTest::newRow("unknown account") << QStringLiteral("nobody") << QStringLiteral("Tq3vWz8p") << 0 << false
                                     << Code::ApiWrongId;
    QTest::newRow("bad API key") << SimulatorFixture::AccountKey() << QStringLiteral("wrong") << 0 << false
                                 << Code::ApiKeyNotFound;
    QTest::newRow("HTTP 503") << SimulatorFixture::AccountKey() << QStringLiteral("Tq3vWz8p") << 503 << false
                              << Code::NetworkError;
    QTest::newRow("malformed XML") << SimulatorFixture::AccountKey() << QStringLiteral("Tq3vWz8p") << 0
                                   << true << Code::Unknown;
}

void TestVPNApiSimulator::serviceErrors()
{
    QFETCH(QString, accountKey);
    QFETCH(QString, apiKey);
    QFETCH(int, httpError);
    QFETCH(bool, malformed);
    m_simulator->SetHttpError(httpError);
    m_simulator->SetMalformedReplies(malformed);
    auto api = MakeApi(apiKey);
    api->SetAccountKey(accountKey);
    QSignalSpy failed(api.get(), &VPNApi::ServerListErrorOccured);
    QSignalSpy lists(api.get(), &VPNApi::ServerListsReceived);
    api->GetServerList(QStringLiteral("autodetect"));
    QVERIFY(failed.wait());
    QCOMPARE(lists.count(), 0);
    QTEST(api->ServerListResponse()->ErrorCode(), "code");
    QVERIFY(!api->ServerListResponse()->IsSuccess());
}

void TestVPNApiSimulator::accountKeyNeverLogged()
{
    auto api = MakeApi();
    api->SetAccountKey(SimulatorFixture::AccountKey());
    LogCapture log;
    QSignalSpy lists(api.get(), &VPNApi::ServerListsReceived);
    api->GetServerList(QStringLiteral("autodetect"));
    QVERIFY(lists.wait());
    const QString all = log.All();
    QVERIFY2(all.contains(QStringLiteral("api_key=Tq3vWz8p&ip=autodetect&serial=********")), qPrintable(all));
    QVERIFY(!all.contains(SimulatorFixture::AccountKey(), Qt::CaseInsensitive));
}

QTEST_GUILESS_MAIN(TestVPNApiSimulator)
#include "testvpnapisimulator.moc"
