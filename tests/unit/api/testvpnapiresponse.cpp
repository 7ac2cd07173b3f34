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
    // The reply's type and error code decide what the program does; the code's text and the
    // message only reach the log. Each reply follows one that failed with an address as its
    // payload: nothing of that reply may linger but the payload, which only data replaces. A
    // reply that is not XML is a failed call.
    void envelope_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<Type>("type");
        QTest::addColumn<Code>("code");
        QTest::newRow("success with blanks")
            << Envelope(QStringLiteral("<type>  success \n</type>")) << Type::Success << Code::Unknown;
        QTest::newRow("capital Success is unknown")
            << Envelope(QStringLiteral("<type>Success</type><code>generic</code>")) << Type::Unknown
            << Code::Generic;
        QTest::newRow("wrong id with blanks")
            << Envelope(QStringLiteral("<type>error</type><code> api_wrong_id </code>")) << Type::Error
            << Code::ApiWrongId;
        QTest::newRow("unknown code")
            << Envelope(QStringLiteral("<type>error</type><code>API_WRONG_ID</code>")) << Type::Error
            << Code::Unknown;
        QTest::newRow("no response element")
            << QStringLiteral("<reply><type>success</type></reply>") << Type::Unknown << Code::Unknown;
        QTest::newRow("no type") << Envelope(QStringLiteral("<code>generic</code>")) << Type::Unknown
                                 << Code::Generic;
        QTest::newRow("empty body") << QString() << Type::Unknown << Code::Unknown;
        QTest::newRow("proxy error page")
            << QStringLiteral("<html><body><h1>502 Bad Gateway</h1><br></body></html>") << Type::Unknown
            << Code::Unknown;
        QTest::newRow("truncated") << QStringLiteral("<response><type>success</type><data>") << Type::Unknown
                                   << Code::Unknown;
    }

    void envelope()
    {
        QFETCH(QString, reply);
        VPNApiGetAssignedAddressResponse response;
        response.Parse(
            Envelope(QStringLiteral("<type>error</type><code>api_wrong_id</code><data>198.51.100.7</data>")));
        QSignalSpy finished(&response, &VPNApiResponse::Finished);
        response.Parse(reply);
        QCOMPARE(finished.count(), 1);
        QTEST(response.Type(), "type");
        QTEST(response.ErrorCode(), "code");
        QCOMPARE(response.Address(), QStringLiteral("198.51.100.7"));
    }

    void replyBodyIsCutAtZeroByte()
    {
        const QByteArray body("<response><type>success</type></response>\0<garbage", 50);
        QCOMPARE(VPNMessageHandler::DecodeReplyBody(body),
                 QStringLiteral("<response><type>success</type></response>"));
        QCOMPARE(VPNMessageHandler::DecodeReplyBody(QByteArray("\xe9t\xe9", 3)),
                 QStringLiteral("\u00e9t\u00e9"));
    }

    // The public address is the reply's text as it came, whatever it is.
    void publicAddressIsTheRawText()
    {
        VPNApiGetRequestEntityIpResponse response;
        const QString page = QStringLiteral("<html><body>Error</body></html>");
        response.Parse(page);
        QCOMPARE(response.Address(), page);
        response.Parse(QStringLiteral(" 203.0.113.5\n"));
        QCOMPARE(response.Address(), QStringLiteral(" 203.0.113.5\n"));
    }

    // Taken as sent, and cleared by empty data.
    void assignedAddress()
    {
        VPNApiGetAssignedAddressResponse response;
        response.Parse(Envelope(QStringLiteral("<type>success</type><data> 198.51.100.7</data>")));
        QCOMPARE(response.Address(), QStringLiteral(" 198.51.100.7"));
        response.Parse(Envelope(QStringLiteral("<type>success</type><data/>")));
        QCOMPARE(response.Address(), QString());
    }

    // Also shows that an error reply's data reaches the payload parser.
    void supportTicketLink()
    {
        VPNApiCreateSupportTicketResponse response;
        response.Parse(Envelope(QStringLiteral("<type>error</type><data>https://t.example/7</data>")));
        QCOMPARE(response.Link(), QStringLiteral("https://t.example/7"));
        response.Parse(Envelope(QStringLiteral("<type>success</type>")));
        QCOMPARE(response.Link(), QString());
    }

    void userInfoKeepsMissingFields()
    {
        VPNApiGetUserInfoResponse response;
        response.Parse(
            Envelope(QStringLiteral("<type>success</type><data><clientinfo><username>ann</username>"
                                    "<plan>x</plan><email>ann@example.org</email></clientinfo></data>")));
        QCOMPARE(response.UserName(), QStringLiteral("ann"));
        QCOMPARE(response.Email(), QStringLiteral("ann@example.org"));
        response.Parse(
            Envelope(QStringLiteral("<type>success</type><data><clientinfo><username>bob</username>"
                                    "</clientinfo></data>")));
        QCOMPARE(response.UserName(), QStringLiteral("bob"));
        QCOMPARE(response.Email(), QStringLiteral("ann@example.org"));
        response.Parse(Envelope(QStringLiteral("<type>success</type><data><other/></data>")));
        QCOMPARE(response.UserName(), QStringLiteral("bob"));
    }
};

QTEST_GUILESS_MAIN(TestVPNApiResponse)
#include "testvpnapiresponse.moc"
