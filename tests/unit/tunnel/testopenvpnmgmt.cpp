#include "logcapture.h"
#include "tunnel/openvpnmgmt.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

class TestOpenVpnMgmt final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_server.listen(QHostAddress::LocalHost, 0));
        m_mgmt = std::make_unique<OpenVpnMgmt>(nullptr, m_server.serverPort());
        m_received = std::make_unique<QSignalSpy>(m_mgmt.get(), &OpenVpnMgmt::MessageReceived);
        m_mgmt->Connect();
        QVERIFY(m_server.waitForNewConnection(5000));
        m_peer = m_server.nextPendingConnection();
        QVERIFY(m_peer);
    }
    void cleanup()
    {
        m_received.reset();
        m_mgmt.reset();
        m_peerData.clear();
        m_server.close();
    }

    // Accepted credentials go out quoted and upper-cased, never into the log; control characters
    // would end or split the command line, so such credentials send nothing.
    void sendsCredentials_data()
    {
        QTest::addColumn<QString>("credential");
        QTest::addColumn<QByteArray>("sentValue");
        QTest::newRow("plain") << "ab12cd" << QByteArray("\"AB12CD\"");
        QTest::newRow("quote and backslash") << "a\"b\\c" << QByteArray("\"A\\\"B\\\\C\"");
        QTest::newRow("blank") << "a b" << QByteArray("\"A B\"");
        QTest::newRow("line feed") << "abc\nsignal SIGTERM" << QByteArray();
        QTest::newRow("carriage return") << "abc\r" << QByteArray();
        QTest::newRow("nul") << QStringLiteral("ab") + QChar(0) + QStringLiteral("c") << QByteArray();
        QTest::newRow("delete") << "ab\x7f" << QByteArray();
    }
    void sendsCredentials()
    {
        QFETCH(QString, credential);
        QFETCH(QByteArray, sentValue);
        LogCapture log;
        QCOMPARE(m_mgmt->SendUsername(credential), !sentValue.isEmpty());
        QCOMPARE(m_mgmt->SendPassword(credential), !sentValue.isEmpty());
        m_mgmt->SetState(); // goes through either way, so the line is known to be quiet before it
        const QByteArray expected = sentValue.isEmpty()
            ? QByteArray()
            : "username \"Auth\" " + sentValue + "\npassword \"Auth\" " + sentValue + '\n';
        QTRY_COMPARE(m_peerData += m_peer->readAll(), expected + "state on\n");
        QVERIFY(!log.All().contains(credential.toUpper()));
    }

    void releasesTheHoldAfterSwitchingStatesOn()
    {
        m_mgmt->SendReleaseHold();
        m_mgmt->SendSIGTERM();
        QTRY_COMPARE(m_peerData += m_peer->readAll(), QByteArray("state on\nhold release\nsignal SIGTERM\n"));
    }

    void passesOnCompleteLinesInOrder()
    {
        m_peer->write(
            ">INFO:OpenVPN Management Interface Version 5 -- type 'help' for more info\r\n>HOLD:Wait");
        m_peer->flush();
        QTRY_COMPARE(m_received->count(), 1);
        QCOMPARE(m_received->at(0).at(0).toString(),
                 QStringLiteral(">INFO:OpenVPN Management Interface Version 5 -- type 'help' for more info"));
        m_peer->write(
            "ing for hold "
            "release:0\r\n>STATE:1,CONNECTED,SUCCESS,198.18.0.2,198.51.100.1,1194,,\r\n>STATE:1,EXI");
        m_peer->flush();
        QTRY_COMPARE(m_received->count(), 3);
        QCOMPARE(m_received->at(1).at(0).toString(), QStringLiteral(">HOLD:Waiting for hold release:0"));
        QCOMPARE(m_received->at(2).at(0).toString(),
                 QStringLiteral(">STATE:1,CONNECTED,SUCCESS,198.18.0.2,198.51.100.1,1194,,"));
        m_peer->write("TING,SIGTERM,,,,,\r\n");
        m_peer->disconnectFromHost();
        QTRY_COMPARE(m_received->count(), 5);
        QCOMPARE(m_received->at(3).at(0).toString(), QStringLiteral(">STATE:1,EXITING,SIGTERM,,,,,"));
        QCOMPARE(m_received->at(4).at(0).toString(), QStringLiteral("Socket error"));
    }

    void reportsARefusedConnectionOnce()
    {
        const quint16 closedPort = m_server.serverPort();
        m_server.close();
        m_mgmt->SetPort(closedPort);
        m_received->clear();
        m_mgmt->Connect();
        QTRY_COMPARE(m_received->count(), 1);
        QCOMPARE(m_received->at(0).at(0).toString(), QStringLiteral("Socket error"));
        QTest::qWait(50);
        QCOMPARE(m_received->count(), 1);
    }

private:
    QTcpServer m_server;
    QTcpSocket* m_peer = nullptr;
    QByteArray m_peerData;
    std::unique_ptr<OpenVpnMgmt> m_mgmt;
    std::unique_ptr<QSignalSpy> m_received;
};

QTEST_GUILESS_MAIN(TestOpenVpnMgmt)
#include "testopenvpnmgmt.moc"
