#include "appcontext.h"
#include "linux/linuxsystemservices.h"
#include "settings/settingsfile.h"
#include "temphome.h"
#include "testfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

std::unique_ptr<VPNAppContext> MakeContext(const QString& executablePath)
{
    auto services = std::make_unique<LinuxSystemServices>(QStringLiteral("norvane"));
    services->SetExecutable(executablePath);
    return std::make_unique<VPNAppContext>(std::move(services));
}

} // namespace

class TestAppContext final : public QObject
{
    Q_OBJECT

private slots:
    // What the file holds is what the program goes on with (a proxy without a port is none);
    // the row in the list lives in memory only and stays.
    void saveCreatesTheFileAndReadsBackTheNormalisedRecord()
    {
        TempHome home; // without a Config folder, as on a first start
        auto context = MakeContext(QStringLiteral("/opt/norvane/bin/norvane"));
        VPNSettings& settings = context->Settings();
        settings.autoConnect = true;
        settings.SetProxy(VPNSettings::Http, QStringLiteral("proxy.example"), QString());
        settings.SetProxyAuthentication(true, QString(), QString());
        settings.currentServerIndex = 3;
        QVERIFY(context->SaveSettings());
        // The folder it made is the user's alone.
        const QFileInfo folder(QFileInfo(GetSettingsFilePath(context->SystemServices())).absolutePath());
        QCOMPARE(folder.permissions() & 0x0077, QFileDevice::Permissions());
        VPNSettings expected;
        expected.autoConnect = true;
        expected.currentServerIndex = 3;
        QVERIFY(settings == expected);

        auto nextRun = MakeContext(QStringLiteral("/opt/norvane/bin/norvane"));
        nextRun->LoadSettings();
        QVERIFY(nextRun->Settings().autoConnect);
    }

    // Saving fails whoever runs the test (also root): "Config" is taken by a file, or the
    // temporary file beside the settings file gets a name longer than the file system allows.
    // Without a file yet the new values stay; otherwise the old file is read back.
    void failedSave()
    {
        for (const bool oldFile : {false, true}) {
            TempHome home;
            if (!oldFile)
                QVERIFY(WriteFile(home.Path() + QStringLiteral("/Config"), "not a directory"));
            auto context
                = MakeContext(QStringLiteral("/opt/norvane/")
                              + (oldFile ? QString(250, QLatin1Char('n')) : QStringLiteral("norvane")));
            VPNSettings& settings = context->Settings();
            settings.favoriteServer = QStringLiteral("198.51.100.1");
            if (oldFile) {
                const QString path = GetSettingsFilePath(context->SystemServices());
                QVERIFY(MakeFileDirectory(path));
                QVERIFY(WriteFile(path, SettingsFile::Serialize(settings)));
            }
            settings.favoriteServer = QStringLiteral("198.51.100.2");
            QVERIFY(!context->SaveSettings());
            QCOMPARE(settings.favoriteServer,
                     oldFile ? QStringLiteral("198.51.100.1") : QStringLiteral("198.51.100.2"));
        }
    }
};

QTEST_GUILESS_MAIN(TestAppContext)
#include "testappcontext.moc"
