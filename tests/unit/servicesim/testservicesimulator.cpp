#include "credentialcheck.h"
#include "httprequestparser.h"
#include "servicesimulator.h"
#include "testfiles.h"

#include <QTemporaryDir>
#include <QTest>

using State = HttpRequestParser::State;

class TestServiceSimulator final : public QObject
{
    Q_OBJECT
private slots:
    void parserAcrossReads()
    {
        HttpRequestParser parser;
        QCOMPARE(parser.Feed("POST /3/getUserInfo HTTP/1.1\r\nHost: x\r\nContent-Le"), State::Incomplete);
        QCOMPARE(parser.Feed("ngth: 11\r\ncontent-type: a/b\r\n\r\napi_key=K&"), State::Incomplete);
        QCOMPARE(parser.Feed("s"), State::Complete);
        QCOMPARE(parser.Request().Path(), QByteArrayLiteral("/3/getUserInfo"));
        QCOMPARE(parser.Request().Header("Content-Type"), QByteArrayLiteral("a/b"));
        QCOMPARE(parser.Request().body, QByteArrayLiteral("api_key=K&s"));
        const QMap<QString, QString> fields = ParseFormFields("a=x+y%26z&b=%C3%A9&c");
        QCOMPARE(fields.value(QStringLiteral("a")), QStringLiteral("x y&z"));
        QCOMPARE(fields.value(QStringLiteral("b")), QStringLiteral("\u00e9"));
        QVERIFY(fields.contains(QStringLiteral("c")));
    }

    void credentialCheck_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("upper-cased key") << QByteArrayLiteral("K3YABC\nK3YABC\n") << true;
        QTest::newRow("CRLF lines") << QByteArrayLiteral("K3YABC\r\nK3YABC\r\n") << true;
        QTest::newRow("key as stored") << QByteArrayLiteral("k3yAbc\nk3yAbc\n") << false;
        QTest::newRow("password differs") << QByteArrayLiteral("K3YABC\nOTHER\n") << false;
        QTest::newRow("unknown key") << QByteArrayLiteral("NOBODY\nNOBODY\n") << false;
        QTest::newRow("empty") << QByteArrayLiteral("\n\n") << false;
    }

    void credentialCheck()
    {
        QFETCH(QByteArray, file);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("credentials"));
        QVERIFY(WriteFile(path, file));
        QTEST(CredentialCheck::CheckFile(path, {QStringLiteral("other"), QStringLiteral("k3yAbc")}),
              "accepted");
    }

    void exitMapping_data()
    {
        QTest::addColumn<QStringList>("mappings");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("expected");
        const QStringList pool {QStringLiteral("198.18.0.0/21=203.0.113.77")};
        QTest::newRow("unmapped answers the peer")
            << pool << QStringLiteral("192.0.2.2") << QStringLiteral("192.0.2.2");
        QTest::newRow("address in the pool")
            << pool << QStringLiteral("198.18.4.2") << QStringLiteral("203.0.113.77");
        QTest::newRow("just past the pool")
            << pool << QStringLiteral("198.18.8.1") << QStringLiteral("198.18.8.1");
        QTest::newRow("address beats network")
            << (pool + QStringList {QStringLiteral("198.18.0.2=203.0.113.120")})
            << QStringLiteral("198.18.0.2") << QStringLiteral("203.0.113.120");
        QTest::newRow("longer prefix wins, in either order")
            << QStringList {QStringLiteral("198.18.0.0/22=203.0.113.5"),
                            QStringLiteral("198.18.0.0/16=203.0.113.6")}
            << QStringLiteral("198.18.3.9") << QStringLiteral("203.0.113.5");
        QTest::newRow("same network mapped again replaces")
            << (pool + QStringList {QStringLiteral("198.18.0.0/21=203.0.113.78")})
            << QStringLiteral("198.18.1.1") << QStringLiteral("203.0.113.78");
    }

    void exitMapping()
    {
        QFETCH(QStringList, mappings);
        QFETCH(QString, source);
        QFETCH(QString, expected);
        ServiceSimulator simulator;
        for (const QString& mapping : mappings)
            QVERIFY(simulator.MapExitAddress(mapping.section(QLatin1Char('='), 0, 0),
                                             mapping.section(QLatin1Char('='), 1)));
        QCOMPARE(simulator.ExitAddressFor(source), expected);
        QVERIFY(!simulator.MapExitAddress(QStringLiteral("198.18.0.0/40"), expected));
        QVERIFY(!simulator.MapExitAddress(QStringLiteral("tunnel"), expected));
    }

    void changeIpListensBeforeTheTunnelExists()
    {
#ifndef Q_OS_LINUX
        QSKIP("binding to an address no interface holds yet is Linux only");
#endif
        // A documentation address no interface of a test machine holds: only bound, never reached.
        ServiceSimulator simulator;
        QString error;
        QVERIFY2(simulator.StartChangeIpListener(QHostAddress(QStringLiteral("192.0.2.254")), 0, &error),
                 qPrintable(error));
        QVERIFY(simulator.ChangeIpListenerPort() != 0);
        // A second listener alongside the first one still takes messages.
        QVERIFY(simulator.StartChangeIpListener(QHostAddress::LocalHost, 0, &error));
    }
};

QTEST_GUILESS_MAIN(TestServiceSimulator)
#include "testservicesimulator.moc"
