#include "api/vpnapicreatesupportticketresponse.h"
#include "api/vpnapigetassignedaddressresponse.h"
#include "api/vpnapigetrequestentityipresponse.h"
#include "api/vpnapigetuserinforesponse.h"
#include "api/vpnapiresponse.h"
#include "api/vpnmessagehandler.h"

#include <QSignalSpy>
#include <QTest>

using Type = VPNApiResponse::ResponseType;
using Code = VPNApiResponse::ApiErrorCode;

namespace {

QString Envelope(const QString& inner)
{
    return QStringLiteral("<?xml version=\"1.0\"?><response>%1</response>").arg(inner);
}

} // namespace

class TestVPNApiResponse final : public QObject
{
    Q_OBJECT
private slots:
    void envelope_data();
    void envelope();
    void notXmlFailsAndKeepsPayload_data();
    void notXmlFailsAndKeepsPayload();
    void replyBodyIsCutAtZeroByte();
    void rawTextNeverChangesType();
    void assignedAddress();
    void supportTicketLink();
    void userInfoKeepsMissingFields();
};

void TestVPNApiResponse::envelope_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<Type>("type");
    QTest::addColumn<Code>("code");
    QTest::addColumn<QString>("codeText");
    QTest::addColumn<QString>("message");

    QTest::newRow("success with blanks") << Envelope(QStringLiteral("<type>  success \n</type>"))
                                         << Type::Success << Code::Unknown << QString() << QString();
    QTest::newRow("capital Success is unknown")
        << Envelope(QStringLiteral("<type>Success</type><code>generic</code>")) << Type::Unknown
        << Code::Generic << QStringLiteral("generic") << QString();
    QTest::newRow("wrong id, message trimmed") << Envelope(
        QStringLiteral("<type>error</type><code> api_wrong_id </code><message>  No such key. </message>"))
                                               << Type::Error << Code::ApiWrongId
                                               << QStringLiteral("api_wrong_id")
                                               << QStringLiteral("No such key.");
    QTest::newRow("every known code")
        << Envelope(QStringLiteral("<type>error</type><code>api_function_not_found</code>")) << Type::Error
        << Code::ApiFunctionNotFound << QStringLiteral("api_function_not_found") << QString();
    QTest::newRow("unknown code") << Envelope(QStringLiteral("<type>error</type><code>API_WRONG_ID</code>"))
                                  << Type::Error << Code::Unknown << QStringLiteral("API_WRONG_ID")
                                  << QString();
    QTest::newRow("no response element") << QStringLiteral("<reply><type>success</type></reply>")
                                         << Type::Unknown << Code::Unknown << QString() << QString();
    QTest::newRow("no type") << Envelope(QStringLiteral("<code>generic</code>")) << Type::Unknown
                             << Code::Generic << QStringLiteral("generic") << QString();
}

void TestVPNApiResponse::envelope()
{
    QFETCH(QString, reply);
    VPNApiResponse response;
    QSignalSpy finished(&response, &VPNApiResponse::Finished);
    response.Parse(reply);
    QCOMPARE(finished.count(), 1);
    QTEST(response.Type(), "type");
    QTEST(response.ErrorCode(), "code");
    QTEST(response.CodeText(), "codeText");
    QTEST(response.Message(), "message");
}

void TestVPNApiResponse::notXmlFailsAndKeepsPayload_data()
{
    QTest::addColumn<QString>("reply");
    QTest::newRow("empty body") << QString();
    QTest::newRow("proxy error page")
        << QStringLiteral("<html><body><h1>502 Bad Gateway</h1><br></body></html>");
    QTest::newRow("truncated") << QStringLiteral("<response><type>success</type><data>");
}

void TestVPNApiResponse::notXmlFailsAndKeepsPayload()
{
    QFETCH(QString, reply);
    VPNApiGetAssignedAddressResponse response;
    response.Parse(
        Envelope(QStringLiteral("<type>success</type><message>ok</message><data>198.51.100.7</data>")));
    QVERIFY(response.IsSuccess());

    QSignalSpy finished(&response, &VPNApiResponse::Finished);
    response.Parse(reply);
    QCOMPARE(finished.count(), 1);
    // Not a repeat of the last success: the call failed.
    QCOMPARE(response.Type(), Type::Unknown);
    QCOMPARE(response.Message(), QStringLiteral("ok"));
    QCOMPARE(response.Address(), QStringLiteral("198.51.100.7"));
}

void TestVPNApiResponse::replyBodyIsCutAtZeroByte()
{
    const QByteArray body("<response><type>success</type></response>\0<garbage", 50);
    QCOMPARE(VPNMessageHandler::DecodeReplyBody(body),
             QStringLiteral("<response><type>success</type></response>"));
    QCOMPARE(VPNMessageHandler::DecodeReplyBody(QByteArray("\xe9t\xe9", 3)), QStringLiteral("\u00e9t\u00e9"));
}

void TestVPNApiResponse::rawTextNeverChangesType()
{
    VPNApiGetRequestEntityIpResponse response;
    QVERIFY(response.IsRawText());
    const QString page = QStringLiteral("<html><body>Error</body></html>");
    response.Parse(page);
    QCOMPARE(response.Type(), Type::Success);
    QCOMPARE(response.Address(), page);
    response.Parse(QStringLiteral(" 203.0.113.5\n"));
    QCOMPARE(response.Address(), QStringLiteral(" 203.0.113.5\n"));
}

void TestVPNApiResponse::assignedAddress()
{
    VPNApiGetAssignedAddressResponse response;
    response.Parse(Envelope(QStringLiteral("<type>success</type><data> 198.51.100.7</data>")));
    QCOMPARE(response.Address(), QStringLiteral(" 198.51.100.7"));
    response.Parse(Envelope(QStringLiteral("<type>error</type><code>generic</code>")));
    QCOMPARE(response.Address(), QStringLiteral(" 198.51.100.7"));
    response.Parse(Envelope(QStringLiteral("<type>success</type><data/>")));
    QCOMPARE(response.Address(), QString());
}

// Also shows that an error reply's data reaches the payload parser.
void TestVPNApiResponse::supportTicketLink()
{
    VPNApiCreateSupportTicketResponse response;
    response.Parse(Envelope(QStringLiteral("<type>error</type><data>https://t.example/7</data>")));
    QCOMPARE(response.Type(), Type::Error);
    QCOMPARE(response.Link(), QStringLiteral("https://t.example/7"));
    response.Parse(Envelope(QStringLiteral("<type>success</type>")));
    QVERIFY(response.IsSuccess());
    QCOMPARE(response.Link(), QString());
}

void TestVPNApiResponse::userInfoKeepsMissingFields()
{
    VPNApiGetUserInfoResponse response;
    response.Parse(
        Envelope(QStringLiteral("<type>success</type><data><clientinfo><username>ann</username>"
                                "<plan>x</plan><email>ann@example.org</email></clientinfo></data>")));
    QCOMPARE(response.UserName(), QStringLiteral("ann"));
    QCOMPARE(response.Email(), QStringLiteral("ann@example.org"));
    response.Parse(Envelope(QStringLiteral("<type>success</type><data><clientinfo><username>bob</username>"
                                           "</clientinfo></data>")));
    QCOMPARE(response.UserName(), QStringLiteral("bob"));
    QCOMPARE(response.Email(), QStringLiteral("ann@example.org"));
    response.Parse(Envelope(QStringLiteral("<type>success</type><data><other/></data>")));
    QCOMPARE(response.UserName(), QStringLiteral("bob"));
}

QTEST_GUILESS_MAIN(TestVPNApiResponse)
#include "testvpnapiresponse.moc"
