#include "api/vpnapimessage.h"

#include <QTest>

class TestVPNApiMessage final : public QObject
{
    Q_OBJECT
private slots:
    void body_data();
    void body();
};

// One field besides the API key: how it is encoded, where it sorts, and that the caller
// cannot replace the key.
void TestVPNApiMessage::body_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("wire");
    const QString region = QStringLiteral("region_name");
    QTest::newRow("alphanumeric unchanged")
        << region << QStringLiteral("Tq3vWz8p09") << QByteArrayLiteral("api_key=K&region_name=Tq3vWz8p09");
    QTest::newRow("unreserved unchanged")
        << region << QStringLiteral("a-b.c_d~e") << QByteArrayLiteral("api_key=K&region_name=a-b.c_d~e");
    QTest::newRow("ampersand and equals do not split")
        << region << QStringLiteral("a&serial=b")
        << QByteArrayLiteral("api_key=K&region_name=a%26serial%3Db");
    QTest::newRow("space and plus") << region << QStringLiteral("a b+c")
                                    << QByteArrayLiteral("api_key=K&region_name=a+b%2Bc");
    QTest::newRow("latin-1 as UTF-8")
        << region << QStringLiteral("S\u00e3o") << QByteArrayLiteral("api_key=K&region_name=S%C3%A3o");
    QTest::newRow("outside latin-1 kept") << region << QStringLiteral("\u041c\u0438\u0440")
                                          << QByteArrayLiteral("api_key=K&region_name=%D0%9C%D0%B8%D1%80");
    QTest::newRow("empty") << region << QString() << QByteArrayLiteral("api_key=K&region_name=");
    // Code-unit order: upper case before lower case.
    QTest::newRow("sorted by key") << QStringLiteral("Zeta") << QStringLiteral("1")
                                   << QByteArrayLiteral("Zeta=1&api_key=K");
    QTest::newRow("caller's api_key replaced")
        << QStringLiteral("api_key") << QStringLiteral("forged") << QByteArrayLiteral("api_key=K");
}

void TestVPNApiMessage::body()
{
    QFETCH(QString, field);
    QFETCH(QString, value);
    const VPNApiMessage message = BuildMessage(QStringLiteral("h"), QStringLiteral("K"),
                                               QStringLiteral("getServerList"), {{field, value}});
    QTEST(RequestBody(message), "wire");
}

QTEST_GUILESS_MAIN(TestVPNApiMessage)
#include "testvpnapimessage.moc"
