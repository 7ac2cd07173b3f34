#include "tunnel/managementline.h"

#include <QTest>

using Kind = ManagementLine::Kind;
Q_DECLARE_METATYPE(ManagementLine::Kind)

class TestManagementLine final : public QObject
{
    Q_OBJECT

private slots:
    // The lines of a real OpenVPN 2.6.14 client (success, wrong password, wrong CA), then lines
    // that client did not send there.
    void classifiesEachLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<bool>("authFailure");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("firstInRange");
        const auto row = [](const char* line, Kind kind, bool authFailure = false, const char* address = "",
                            const char* firstInRange = "") {
            QTest::newRow(line) << QString::fromLatin1(line) << kind << authFailure
                                << QString::fromLatin1(address) << QString::fromLatin1(firstInRange);
        };
        row(">INFO:OpenVPN Management Interface Version 5 -- type 'help' for more info", Kind::Other);
        row(">HOLD:Waiting for hold release:0", Kind::Hold);
        row("SUCCESS: real-time state notification set to ON", Kind::Other);
        row("SUCCESS: hold release succeeded", Kind::Other);
        row(">PASSWORD:Need 'Auth' username/password", Kind::PasswordNeeded);
        row("SUCCESS: 'Auth' username entered, but not yet verified", Kind::Other);
        row("SUCCESS: 'Auth' password entered, but not yet verified", Kind::Other);
        row(">STATE:1796580774,WAIT,,,,,,", Kind::Other);
        row(">STATE:1796580774,AUTH,,,,,,", Kind::Other);
        row(">STATE:1796580774,ASSIGN_IP,,198.18.0.2,,,,", Kind::Other);
        row(">STATE:1796580774,CONNECTED,SUCCESS,198.18.0.2,198.51.100.1,1194,,", Kind::Connected, false,
            "198.18.0.2", "198.18.0.1");
        row(">STATE:1796580774,EXITING,SIGTERM,,,,,", Kind::Exiting);
        row(">PASSWORD:Verification Failed: 'Auth'", Kind::Other);
        row(">STATE:1796580781,EXITING,auth-failure,,,,,", Kind::Exiting, true);
        row(">STATE:1796580781,RECONNECTING,tls-error,,,,,", Kind::TlsError);
        row(">HOLD:Waiting for hold release:1", Kind::Hold);

        row(">STATE:1796580790,RECONNECTING,ping-restart,,,,,", Kind::Reconnecting);
        row("Socket error", Kind::SocketError);
        row(">STATE:1,CONNECTED,SUCCESS,10.8.13.22,10.0.0.1", Kind::Connected, false, "10.8.13.22",
            "10.8.12.1");
        row(">STATE:1,CONNECTED,SUCCESS,10.8.3.7,1.2.3.4,1194,,", Kind::Connected, false, "10.8.3.7",
            "10.8.0.1");
        row(">STATE:1,CONNECTED,SUCCESS,10.8.255.9,1.2.3.4,1194,,", Kind::Connected, false, "10.8.255.9",
            "10.8.252.1");
        row(">STATE:1,CONNECTED,SUCCESS,fd00::2,1.2.3.4,1194,,", Kind::Connected, false, "fd00::2");
        row(">STATE:1,CONNECTED,SUCCESS", Kind::Connected);
    }
    void classifiesEachLine()
    {
        QFETCH(QString, line);
        QFETCH(Kind, kind);
        QFETCH(bool, authFailure);
        QFETCH(QString, address);
        QFETCH(QString, firstInRange);
        const ManagementLine parsed = ManagementLine::Parse(line);
        QCOMPARE(parsed.kind, kind);
        QCOMPARE(parsed.authFailure, authFailure);
        QCOMPARE(parsed.tunnelAddress, address);
        QCOMPARE(ManagementLine::FirstAddressInRange(parsed.tunnelAddress), firstInRange);
    }
};

QTEST_GUILESS_MAIN(TestManagementLine)
#include "testmanagementline.moc"
