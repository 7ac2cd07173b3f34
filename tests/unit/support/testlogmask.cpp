#include "support/logmask.h"

#include <QTest>

class TestLogMask final : public QObject
{
    Q_OBJECT

private slots:
    // A known secret is masked wherever it appears; without one, the value of the form field
    // "serial" is.
    void mask_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("secret"); // null: mask the form field
        QTest::addColumn<QString>("expected");
        QTest::newRow("as typed") << QStringLiteral("key abc123 used") << QStringLiteral("abc123")
                                  << QStringLiteral("key ******** used");
        QTest::newRow("upper-cased") << QStringLiteral("password \"ABC123\"") << QStringLiteral("abc123")
                                     << QStringLiteral("password \"********\"");
        QTest::newRow("percent-encoded") << QStringLiteral("serial=a%26b%20c") << QStringLiteral("a&b c")
                                         << QStringLiteral("serial=********");
        QTest::newRow("empty secret")
            << QStringLiteral("nothing") << QString(QLatin1String("")) << QStringLiteral("nothing");
        QTest::newRow("field first") << QStringLiteral("serial=abc&key=k") << QString()
                                     << QStringLiteral("serial=********&key=k");
        QTest::newRow("field in the middle")
            << QStringLiteral("a=1&serial=abc&b=2") << QString() << QStringLiteral("a=1&serial=********&b=2");
        QTest::newRow("other field with the name as suffix")
            << QStringLiteral("myserial=abc") << QString() << QStringLiteral("myserial=abc");
    }

    void mask()
    {
        QFETCH(QString, text);
        QFETCH(QString, secret);
        QFETCH(QString, expected);
        QCOMPARE(secret.isNull() ? LogMask::MaskFormField(text, QStringLiteral("serial"))
                                 : LogMask::MaskSecret(text, secret),
                 expected);
    }
};

QTEST_GUILESS_MAIN(TestLogMask)
#include "testlogmask.moc"
