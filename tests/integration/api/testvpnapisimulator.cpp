#include "api/vpnapi.h"
#include "logcapture.h"
#include "simulatorfixture.h"
#include "testfiles.h"

#include <QDeadlineTimer>
#include <QMetaEnum>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace {

const QByteArray kBoundary = "-----------------------------193531931418651";

// One script call: "<operation> [argument]"; "signedout <call>" makes the call without account key.
void Call(VPNApi& api, const QString& call)
{
    // clang-format off
    const QMap<QString, std::function<void(const QString&)>> operations = {
        {QStringLiteral("signedout"), [&api](const QString& rest) { api.SetAccountKey(QString()); Call(api, rest); }},
        {QStringLiteral("servers"), [&api](const QString& ip) { api.GetServerList(ip); }},
        {QStringLiteral("region"), [&api](const QString& region) { api.GetServerListForRegion(region); }},
        {QStringLiteral("anchorinfo"), [&api](const QString&) { api.GetVpnNetworkAccountIpAnchor(); }},
        {QStringLiteral("anchor"), [&api](const QString& ip) { api.DoAnchorVpnNetworkAccountIp(ip); }},
        {QStringLiteral("unanchor"), [&api](const QString&) { api.DoUnanchorVpnNetworkAccountIp(); }},
        {QStringLiteral("userinfo"), [&api](const QString&) { api.GetUserInfo(); }},
        {QStringLiteral("publicip"), [&api](const QString&) { api.GetRequestEntityIp(); }},
    };
    // clang-format on
    const QString operation = call.section(QLatin1Char(' '), 0, 0);
    QVERIFY2(operations.contains(operation), qPrintable(QStringLiteral("unknown call ") + call));
    operations.value(operation)(call.section(QLatin1Char(' '), 1));
}

QByteArray Field(const QByteArray& name, const QByteArray& value)
{
    return kBoundary + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value + "\r\n";
}

QByteArray File(const QByteArray& name, const QByteArray& base64)
{
    return kBoundary + "\r\nContent-Disposition: form-data; name=\"" + name + "\"; filename=\"" + name
        + ".txt\"\r\nContent-Type: text/plain\r\nContent-Transfer-Encoding: base64\r\n\r\n" + base64 + "\r\n";
}

} // namespace

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
    // client makes of the replies is shown by the reply tests and by the main window's workflow
    // tests against the same simulator.
    void operationsOnTheWire_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QByteArray>("request"); // method, path, body
        // clang-format off
        QTest::newRow("server list") << QStringLiteral("servers autodetect") << QByteArrayLiteral("POST /3/getServerList api_key=Tq3vWz8p&ip=autodetect&serial=k3yAbc9x");
        // Unreserved characters as they are, a blank as "+", every other byte of the UTF-8
        // percent-encoded: neither "&" nor "=" can add a field, nor "+" pass for a blank.
        QTest::newRow("region, encoded") << QStringLiteral("region a-b.c_d~e a&serial=b+S\u00e3o") << QByteArrayLiteral("POST /3/getServerList api_key=Tq3vWz8p&region_name=a-b.c_d~e+a%26serial%3Db%2BS%C3%A3o&serial=k3yAbc9x");
        QTest::newRow("anchor info") << QStringLiteral("anchorinfo") << QByteArrayLiteral("POST /3/getVpnNetworkAccountIpAnchor api_key=Tq3vWz8p&serial=k3yAbc9x");
        QTest::newRow("anchor") << QStringLiteral("anchor 198.51.100.12") << QByteArrayLiteral("POST /3/doAnchorVpnNetworkAccountIp api_key=Tq3vWz8p&serial=k3yAbc9x&server_ip=198.51.100.12");
        QTest::newRow("anchor without account key: no serial") << QStringLiteral("signedout anchor 198.51.100.12") << QByteArrayLiteral("POST /3/doAnchorVpnNetworkAccountIp api_key=Tq3vWz8p&server_ip=198.51.100.12");
        QTest::newRow("unanchor") << QStringLiteral("unanchor") << QByteArrayLiteral("POST /3/doUnanchorVpnNetworkAccountIp api_key=Tq3vWz8p&serial=k3yAbc9x");
        QTest::newRow("user info") << QStringLiteral("userinfo") << QByteArrayLiteral("POST /3/getUserInfo api_key=Tq3vWz8p&serial=k3yAbc9x");
        QTest::newRow("public address, no serial") << QStringLiteral("publicip") << QByteArrayLiteral("POST /1/getRequestEntityIp api_key=Tq3vWz8p");
        // clang-format on
    }

    void operationsOnTheWire()
    {
        QFETCH(QString, call);
        auto api = MakeApi();
        QSignalSpy received(m_simulator.get(), &ServiceSimulator::RequestReceived);
        LogCapture log;
        Call(*api, call);
        QVERIFY(received.wait());
        QVERIFY(!log.All().contains(SimulatorFixture::AccountKey(), Qt::CaseInsensitive));
        const HttpRequest& request = m_simulator->Requests().first();
        QTEST(request.method + ' ' + request.target + ' ' + request.body, "request");
        QCOMPARE(request.Header("Content-Type"), QByteArrayLiteral("application/x-www-form-urlencoded"));
        QCOMPARE(request.Header("Content-Length"), QByteArray::number(request.body.size()));
        QCOMPARE(request.HeaderCount("Connection"), 1);
        QCOMPARE(request.Header("Connection"), QByteArrayLiteral("close"));
        QCOMPARE(QString::fromLatin1(request.Header("Host")), m_simulator->HostAndPort());
    }

    // A ticket whose file cannot be read fails at once and sends nothing. The others carry the
    // e-mail address of the last account information, and the OS name only when there is one.
    void supportTicketOnTheWire()
    {
        QTemporaryDir files;
        const QString support = files.filePath(QStringLiteral("support.txt"));
        const QString log = files.filePath(QStringLiteral("log.txt"));
        QVERIFY(WriteFile(support, "ping 192.0.2.1\r\n"));
        QVERIFY(WriteFile(log, QByteArray("log\0line", 8)));
        auto api = MakeApi();
        QSignalSpy info(api->UserInfoResponse(), &VPNApiResponse::Finished);
        api->GetUserInfo();
        QVERIFY(info.wait());

        QSignalSpy finished(api.get(), &VPNApi::CreateSupportTicketFinished);
        api->AddLogTicket(support, files.filePath(QStringLiteral("missing.log")));
        QCOMPARE(finished.value(0), QVariantList({false, QString()}));
        finished.clear();
        int ticket = 0;
        for (const QString& osName : {QStringLiteral("Debian 12"), QString()}) {
            m_simulator->ClearRequests();
            api->SetSystemDescription(QStringLiteral("0.1.0"), osName);
            api->AddLogTicket(support, log);
            QVERIFY(finished.wait());
            QCOMPARE(
                finished.takeFirst(),
                QVariantList(
                    {true,
                     QStringLiteral("https://%1/tickets/%2").arg(m_simulator->HostAndPort()).arg(++ticket)}));
            QCOMPARE(m_simulator->Requests().size(), 1);
            const HttpRequest& request = m_simulator->Requests().first();
            QCOMPARE(request.target, QByteArrayLiteral("/3/addLogTicket"));
            QCOMPARE(request.Header("Content-Type"),
                     QByteArrayLiteral(
                         "multipart/form-data; boundary=---------------------------193531931418651"));
            QCOMPARE(request.Header("Content-Length"), QByteArray::number(request.body.size()));
            QCOMPARE(request.body,
                     Field("api_key", "Tq3vWz8p") + Field("email", "ann@example.org")
                         + Field("software_version", "0.1.0")
                         + (osName.isEmpty() ? QByteArray() : Field("os_version", "Debian 12"))
                         + File("support_file", "cGluZyAxOTIuMC4yLjENCg==") + File("log_file", "bG9nAGxpbmU=")
                         + kBoundary + "--\r\n");
        }
        QCOMPARE(ReadFile(m_simulator->TicketDirectory(1) + QStringLiteral("/log_file.txt")),
                 QByteArray("log\0line", 8));
    }

    // A call that fails ends in the error signal, never in a list. An untrusted certificate stops
    // the call before the request is sent; a stuck reply ends at the transfer time-out.
    void failedCalls_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("code");
        QTest::newRow("unknown account") << QStringLiteral("account") << QStringLiteral("ApiWrongId");
        QTest::newRow("HTTP 503") << QStringLiteral("http") << QStringLiteral("NetworkError");
        QTest::newRow("untrusted certificate")
            << QStringLiteral("certificate") << QStringLiteral("NetworkError");
        QTest::newRow("no reply") << QStringLiteral("stuck") << QStringLiteral("NetworkError");
    }

    void failedCalls()
    {
        QFETCH(QString, fault);
        auto api = MakeApi();
        if (fault == QLatin1String("account"))
            api->SetAccountKey(QStringLiteral("nobody"));
        if (fault == QLatin1String("http"))
            m_simulator->SetHttpError(503);
        if (fault == QLatin1String("certificate"))
            api->Queue().SetExtraCaFile(QString());
        if (fault == QLatin1String("stuck")) {
            m_simulator->SetResponseDelay(10 * 60 * 1000);
            api->Queue().SetTransferTimeout(std::chrono::milliseconds(300));
        }
        QSignalSpy failed(api.get(), &VPNApi::ServerListErrorOccured);
        QSignalSpy lists(api.get(), &VPNApi::ServerListsReceived);
        api->GetServerList(QStringLiteral("autodetect"));
        QVERIFY(failed.wait(20000));
        QCOMPARE(lists.count(), 0);
        QTEST(QString::fromLatin1(QMetaEnum::fromType<VPNApiResponse::ApiErrorCode>().valueToKey(
                  int(api->ServerListResponse()->ErrorCode()))),
              "code");
        QCOMPARE(m_simulator->Requests().size(), fault == QLatin1String("certificate") ? 0 : 1);
    }

    // A server list is read off the GUI thread. The API's signals still follow the order in
    // which the replies came; a reply to a request that a newer one replaced is dropped; an API
    // that goes away while a list is read hears nothing more of it. Calls: "servers",
    // "publicip", "reading" (until the list's reply is being read), "destroy".
    void serverListDeliveries_data()
    {
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("logged");
        // clang-format off
        QTest::newRow("a newer request replaces an earlier one") << QStringList {QStringLiteral("servers"), QStringLiteral("servers")} << QStringList {QStringLiteral("servers 2000")} << QStringLiteral("Reply to an earlier request dropped");
        QTest::newRow("signals in the order of the replies") << QStringList {QStringLiteral("servers"), QStringLiteral("reading"), QStringLiteral("publicip")} << QStringList {QStringLiteral("servers 2000"), QStringLiteral("publicip 127.0.0.1")} << QString();
        QTest::newRow("API gone while the list is read") << QStringList {QStringLiteral("servers"), QStringLiteral("reading"), QStringLiteral("destroy")} << QStringList {} << QString();
        // clang-format on
    }

    void serverListDeliveries()
    {
        QFETCH(QStringList, calls);
        QByteArray catalog = "<servers>";
        for (int i = 0; i < 20000; ++i)
            catalog += QStringLiteral("<server description=\"City %1\" ip=\"198.51.%2.%3\"><ports><port "
                                      "protocol=\"UDP\">1194</port></ports></server>")
                           .arg(i)
                           .arg(100 + i / 250)
                           .arg(i % 250 + 1)
                           .toLatin1();
        QVERIFY(m_simulator->SetCatalog(catalog + "</servers>"));
        LogCapture log;
        auto api = MakeApi();
        QStringList seen;
        QObject receiver;
        connect(api.get(), &VPNApi::ServerListsReceived, &receiver, [&seen](const QList<VPNServer>& udp) {
            seen << QStringLiteral("servers %1").arg(udp.size());
        });
        connect(api.get(), &VPNApi::RequestEntityIpReceived, &receiver,
                [&seen](const QString& address) { seen << QStringLiteral("publicip ") + address; });
        for (const QString& call : calls) {
            if (call == QLatin1String("reading")) {
                // Checked often: the reading takes some milliseconds only.
                QDeadlineTimer deadline(20000);
                while (!log.Contains(QStringLiteral("API reply:")) && !deadline.hasExpired())
                    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
                QVERIFY(seen.isEmpty());
            } else if (call == QLatin1String("destroy")) {
                api.reset();
            } else {
                Call(*api, call);
            }
        }
        QFETCH(QStringList, expected);
        if (expected.isEmpty())
            QCoreApplication::processEvents();
        QTRY_COMPARE_WITH_TIMEOUT(seen, expected, 20000);
        QFETCH(QString, logged);
        QVERIFY(log.Contains(logged));
    }

private:
    std::unique_ptr<VPNApi> MakeApi() const
    {
        auto api = std::make_unique<VPNApi>(m_simulator->HostAndPort(), QStringLiteral("Tq3vWz8p"));
        api->SetAccountKey(SimulatorFixture::AccountKey());
        api->Queue().SetExtraCaFile(m_fixture.CaPath());
        return api;
    }

    SimulatorFixture m_fixture;
    std::unique_ptr<ServiceSimulator> m_simulator;
};

QTEST_GUILESS_MAIN(TestVPNApiSimulator)
#include "testvpnapisimulator.moc"
