#include "versioninfo.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

class TestVersionInfo final : public QObject
{
    Q_OBJECT

private slots:
    void parseLine_data();
    void parseLine();
    void builtInResource();
    void onlyTheFirstLineOfAFileCounts();
};

void TestVersionInfo::parseLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("expected");
    QTest::newRow("usual") << QStringLiteral("VERSION = 2.1.0.21\n") << QStringLiteral("2.1.0.21");
    QTest::newRow("no blanks") << QStringLiteral("VERSION=3.0") << QStringLiteral("3.0");
    QTest::newRow("last equals sign") << QStringLiteral("A = B = 1.2") << QStringLiteral("1.2");
    QTest::newRow("no equals sign") << QStringLiteral("  2.1.0.21 \r\n") << QStringLiteral("2.1.0.21");
    QTest::newRow("empty") << QString() << QString();
}

void TestVersionInfo::parseLine()
{
    QFETCH(QString, line);
    QFETCH(QString, expected);
    QCOMPARE(VersionInfo::ParseLine(line), expected);
}

void TestVersionInfo::builtInResource()
{
    // Generated from the project version at build time.
    const QString version = VersionInfo::Read();
    QVERIFY2(QRegularExpression(QStringLiteral(R"(^\d+\.\d+\.\d+(\.\d+)?$)")).match(version).hasMatch(),
             qPrintable(version));
}

void TestVersionInfo::onlyTheFirstLineOfAFileCounts()
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("version.pri")));
    QCOMPARE(VersionInfo::Read(file.fileName()), QString());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("VERSION = 1.2.3\nOTHER = 9\n");
    file.close();
    QCOMPARE(VersionInfo::Read(file.fileName()), QStringLiteral("1.2.3"));
}

QTEST_GUILESS_MAIN(TestVersionInfo)
#include "testversioninfo.moc"
