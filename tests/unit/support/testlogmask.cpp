#include "support/logmask.h"

#include <QTest>

class TestLogMask final : public QObject
{
    Q_OBJECT

private slots:
    void maskSecret_data();
    void maskSecret();
    void maskFormField_data();
    void maskFormField();
};

void TestLogMask::maskSecret_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("secret");
    QTest::addColumn<QString>("expected");
    QTest::newRow("as typed") << QStringLiteral("key abc123 used") << QStringLiteral("abc123")
                              << QStringLiteral("key ******** used");
    QTest::newRow("upper-cased") << QStringLiteral("password \"ABC123\"") << QStringLiteral("abc123")
                                 << QStringLiteral("password \"********\"");
    QTest::newRow("percent-encoded") << QStringLiteral("serial=a%26b%20c") << QStringLiteral("a&b c")
                                     << QStringLiteral("serial=********");
    QTest::newRow("empty secret") << QStringLiteral("nothing") << QString() << QStringLiteral("nothing");
}

void TestLogMask::maskSecret()
{
    QFETCH(QString, text);
    QFETCH(QString, secret);
    QFETCH(QString, expected);
    QCOMPARE(LogMask::MaskSecret(text, secret), expected);
}

void TestLogMask::maskFormField_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("expected");
    QTest::newRow("first") << QStringLiteral("serial=abc&key=k") << QStringLiteral("serial=********&key=k");
    QTest::newRow("middle") << QStringLiteral("a=1&serial=abc&b=2")
                            << QStringLiteral("a=1&serial=********&b=2");
    QTest::newRow("query") << QStringLiteral("/x.php?serial=abc") << QStringLiteral("/x.php?serial=********");
    QTest::newRow("other field with the name as suffix")
        << QStringLiteral("myserial=abc") << QStringLiteral("myserial=abc");
}

void TestLogMask::maskFormField()
{
    QFETCH(QString, body);
    QFETCH(QString, expected);
    QCOMPARE(LogMask::MaskFormField(body, QStringLiteral("serial")), expected);
}

QTEST_GUILESS_MAIN(TestLogMask)
#include "testlogmask.moc"
