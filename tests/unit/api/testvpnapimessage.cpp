#include "api/vpnapimessage.h"

#include <QTest>

class TestVPNApiMessage final : public QObject
{
    Q_OBJECT
private slots:
    void apiKeyIsAddedAndWinsOverCaller();
    void fieldsGoOutSortedByKey();
    void fieldEncoding_data();
    void fieldEncoding();
    void getCarriesFieldsInTheUrl();
};

void TestVPNApiMessage::apiKeyIsAddedAndWinsOverCaller()
{
    const VPNApiMessage message
        = BuildMessage(QStringLiteral("h"), QStringLiteral("Tq3vWz8p"), QStringLiteral("getUserInfo"),
                       {{QStringLiteral("api_key"), QStringLiteral("forged")}});
    QCOMPARE(RequestBody(message), QByteArrayLiteral("api_key=Tq3vWz8p"));
}

void TestVPNApiMessage::fieldsGoOutSortedByKey()
{
    QMap<QString, QString> fields;
    fields.insert(QStringLiteral("serial"), QStringLiteral("AbC123xyz"));
    fields.insert(QStringLiteral("ip"), QStringLiteral("autodetect"));
    fields.insert(QStringLiteral("Zeta"), QStringLiteral("1"));
    const VPNApiMessage message = BuildMessage(QStringLiteral("h"), QStringLiteral("Tq3vWz8p"),
                                               QStringLiteral("getServerList"), fields);
    // Upper case sorts before lower case: code-unit order.
    QCOMPARE(RequestBody(message),
             QByteArrayLiteral("Zeta=1&api_key=Tq3vWz8p&ip=autodetect&serial=AbC123xyz"));
}

void TestVPNApiMessage::fieldEncoding_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("alphanumeric unchanged")
        << QStringLiteral("Tq3vWz8p09") << QByteArrayLiteral("Tq3vWz8p09");
    QTest::newRow("unreserved unchanged") << QStringLiteral("a-b.c_d~e") << QByteArrayLiteral("a-b.c_d~e");
    QTest::newRow("ampersand and equals do not split")
        << QStringLiteral("a&serial=b") << QByteArrayLiteral("a%26serial%3Db");
    QTest::newRow("space and plus") << QStringLiteral("a b+c") << QByteArrayLiteral("a+b%2Bc");
    QTest::newRow("latin-1 as UTF-8") << QStringLiteral("S\u00e3o") << QByteArrayLiteral("S%C3%A3o");
    QTest::newRow("outside latin-1 kept")
        << QStringLiteral("\u041c\u0438\u0440") << QByteArrayLiteral("%D0%9C%D0%B8%D1%80");
    QTest::newRow("empty") << QString() << QByteArray();
}

void TestVPNApiMessage::fieldEncoding()
{
    QFETCH(QString, value);
    QFETCH(QByteArray, wire);
    const VPNApiMessage message
        = BuildMessage(QStringLiteral("h"), QStringLiteral("K"), QStringLiteral("getServerList"),
                       {{QStringLiteral("region_name"), value}});
    QCOMPARE(RequestBody(message), QByteArrayLiteral("api_key=K&region_name=") + wire);
}

void TestVPNApiMessage::getCarriesFieldsInTheUrl()
{
    VPNApiMessage message
        = BuildMessage(QStringLiteral("h"), QStringLiteral("K"), QStringLiteral("getUserInfo"),
                       {{QStringLiteral("serial"), QStringLiteral("a b")}});
    message.method = VPNApiMessage::Get;
    QVERIFY(RequestBody(message).isEmpty());
    QCOMPARE(RequestUrl(message).toString(QUrl::FullyEncoded),
             QStringLiteral("https://h/3/getUserInfo?api_key=K&serial=a+b"));
}

QTEST_GUILESS_MAIN(TestVPNApiMessage)
#include "testvpnapimessage.moc"
