#include "appcontext.h"
#include "linux/linuxsystemservices.h"
#include "settings/settingsfile.h"
#include "temphome.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

std::unique_ptr<VPNAppContext> MakeContext(const QString& executablePath)
{
    auto services = std::make_unique<LinuxSystemServices>(QStringLiteral("norvane"));
    services->SetExecutable(executablePath);
    return std::make_unique<VPNAppContext>(std::move(services));
}

bool WriteFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

} // namespace

class TestAppContext final : public QObject
{
    Q_OBJECT

private slots:
    void firstSaveCreatesConfigAndFile();
    void saveReadsBackTheNormalisedRecord();
    void failedSaveKeepsNewValuesWhenNoFileExists();
    void failedSaveRestoresTheOldFile();
    void readLocale_data();
    void readLocale();
    void installTranslator();

private:
    QString m_exeDir = QCoreApplication::applicationDirPath();
};

void TestAppContext::firstSaveCreatesConfigAndFile()
{
    TempHome home;
    auto context = MakeContext(QStringLiteral("/opt/norvane/bin/norvane"));
    context->Settings().autoConnect = true;
    QVERIFY(context->SaveSettings());
    QVERIFY(QFile::exists(home.ConfigPath(QStringLiteral("norvane.xml"))));

    auto second = MakeContext(QStringLiteral("/opt/norvane/bin/norvane"));
    second->LoadSettings();
    QVERIFY(second->Settings().autoConnect);
}

void TestAppContext::saveReadsBackTheNormalisedRecord()
{
    TempHome home;
    auto context = MakeContext(QStringLiteral("/opt/norvane/bin/norvane"));
    VPNSettings& settings = context->Settings();
    settings.SetProxy(VPNSettings::Http, QStringLiteral("proxy.example"), QString());
    settings.SetProxyAuthentication(true, QString(), QString());
    settings.currentServerIndex = 3;
    QVERIFY(context->SaveSettings());
    QCOMPARE(settings.proxyType, VPNSettings::NoProxy);
    QCOMPARE(settings.proxyAddress, QString());
    QVERIFY(!settings.proxyAuthEnabled);
    QCOMPARE(settings.currentServerIndex, 3);
}

void TestAppContext::failedSaveKeepsNewValuesWhenNoFileExists()
{
    TempHome home;
    // "Config" is taken by a file, so neither the directory nor the settings file can be made.
    QVERIFY(WriteFile(home.Path() + QStringLiteral("/Config"), "not a directory"));
    auto context = MakeContext(QStringLiteral("/opt/norvane/bin/norvane"));
    context->Settings().lastUsedServer = QStringLiteral("Amsterdam");
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^Can't save settings to file")));
    QTest::ignoreMessage(QtDebugMsg, "Can't open settings file.");
    QVERIFY(!context->SaveSettings());
    QCOMPARE(context->Settings().lastUsedServer, QStringLiteral("Amsterdam"));
}

void TestAppContext::failedSaveRestoresTheOldFile()
{
    TempHome home;
    // The temporary file beside the settings file gets a name longer than the file system
    // allows, so saving fails whoever runs the test (also root).
    const QString executable = QStringLiteral("/opt/norvane/") + QString(250, QLatin1Char('n'));
    auto context = MakeContext(executable);
    context->Settings().favoriteServer = QStringLiteral("198.51.100.1");
    const QString path = GetSettingsFilePath(context->SystemServices());
    QVERIFY(MakeFileDirectory(path));
    QVERIFY(WriteFile(path, SettingsFile::Serialize(context->Settings())));

    context->Settings().favoriteServer = QStringLiteral("198.51.100.2");
    context->Settings().smtpAddress = QStringLiteral("smtp.example");
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^Can't save settings to file")));
    QVERIFY(!context->SaveSettings());
    QCOMPARE(context->Settings().favoriteServer, QStringLiteral("198.51.100.1"));
    QCOMPARE(context->Settings().smtpAddress, QString());
}

void TestAppContext::readLocale_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QString>("expected");
    QTest::newRow("code") << QByteArray("de") << true << QStringLiteral("de");
    QTest::newRow("code and line end") << QByteArray("fr\r\nsecond line") << true << QStringLiteral("fr");
    QTest::newRow("missing file") << QByteArray() << false << QStringLiteral("en");
}

void TestAppContext::readLocale()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, exists);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("locale.config"));
    if (exists)
        QVERIFY(WriteFile(path, content));
    QCOMPARE(VPNAppContext::ReadLocale(path), expected);
}

void TestAppContext::installTranslator()
{
    TempHome home;
    QTemporaryDir exeDir;
    QVERIFY(QDir(exeDir.path()).mkpath(QStringLiteral("tr")));
    QVERIFY(QFile::copy(QStringLiteral(TEST_TRANSLATION_FILE),
                        exeDir.filePath(QStringLiteral("tr/language_fr.qm"))));
    auto context = MakeContext(exeDir.filePath(QStringLiteral("norvane")));
    QVERIFY(QDir(home.Path()).mkpath(QStringLiteral("Config")));
    const QString localeFile = home.ConfigPath(QStringLiteral("locale.config"));
    auto translated = [] { return QCoreApplication::translate("TestAppContext", "CONNECT"); };

    QVERIFY(WriteFile(localeFile, "fr"));
    context->InstallTranslator();
    QCOMPARE(translated(), QStringLiteral("CONNEXION"));

    // A code without a translation file falls back to the built-in English texts.
    QVERIFY(WriteFile(localeFile, "it"));
    context->InstallTranslator();
    QCOMPARE(translated(), QStringLiteral("CONNECT"));

    QVERIFY(WriteFile(localeFile, "fr\n"));
    context->InstallTranslator();
    QCOMPARE(translated(), QStringLiteral("CONNEXION"));
    QVERIFY(QFile::remove(localeFile));
    context->InstallTranslator();
    QCOMPARE(translated(), QStringLiteral("CONNECT"));
}

QTEST_GUILESS_MAIN(TestAppContext)
#include "testappcontext.moc"
