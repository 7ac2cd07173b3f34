#include "appcontext.h"
#include "fakeclock.h"
#include "fakediagnostics.h"
#include "fakesystemservices.h"
#include "memoryaccountkeystore.h"
#include "scriptedtunnel.h"
#include "simulatorfixture.h"
#include "startup.h"
#include "support/interfacelanguage.h"
#include "support/supportreport.h"
#include "temphome.h"
#include "testfiles.h"
#include "urlrecorder.h"
#include "vpnhelpdialog.h"
#include "vpnmainwindow.h"
#include "widgets/vpnsimpledialog.h"

#include <QComboBox>
#include <QDir>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

template<typename T = QWidget> T* Child(QWidget* window, const char* name)
{
    T* child = window->findChild<T*>(QLatin1String(name));
    if (!child)
        qWarning() << "no child" << name;
    return child;
}

QString Text(QWidget* window, const char* name)
{
    return Child(window, name)->property("text").toString();
}

} // namespace

// The help dialog: the language file and the pages it leads to, a language change reaching every
// window, and a support run seen from the Tools tab.
class TestVPNHelpDialog final : public QObject
{
    Q_OBJECT

private:
    // A dialog over a home whose tr/ holds the program's translations.
    struct Dialog
    {
        TempHome home;
        FakeSystemServices services {home.Path()};
        InterfaceLanguage language {GetLocaleConfigPath(services), services.GetTranslationsDirectory()};
        VPNApi api;
        VPNSettings settings;
        FakeClock clock;
        FakeDiagnostics* diagnostics = nullptr;
        std::unique_ptr<VPNHelpDialog> dialog;

        // Nothing listens at the default API host.
        explicit Dialog(const QString& apiHost = QStringLiteral("127.0.0.1:1"))
            : api(apiHost, QStringLiteral("Tq3vWz8p"))
        {
            CopyTranslations(home.Path());
            QDir().mkpath(home.ConfigPath(QString()));
            auto fake = std::make_unique<FakeDiagnostics>();
            diagnostics = fake.get();
            auto report = std::make_unique<SupportReport>(api, settings, std::move(fake), clock,
                                                          home.ConfigPath(QStringLiteral("norvane_log.log")),
                                                          QStringLiteral("www.debian.org"));
            dialog = std::make_unique<VPNHelpDialog>(
                language, std::move(report),
                VPNHelpDialog::Links {QStringLiteral("norvane"), services.GetManualDirectory(),
                                      QStringLiteral("www.norvane.example"),
                                      QStringLiteral("help@norvane.example")});
        }
        QString LocaleFile() const { return home.ConfigPath(QStringLiteral("locale.config")); }
    };

    static void CopyTranslations(const QString& root)
    {
        QDir().mkpath(root + QStringLiteral("/tr"));
        for (const char* code : {"fr", "de"}) {
            const QString name = QStringLiteral("language_%1.qm").arg(QLatin1String(code));
            QVERIFY(QFile::copy(QStringLiteral(TRANSLATIONS_DIR "/") + name,
                                root + QStringLiteral("/tr/") + name));
        }
    }

private slots:
    // The language file read (first line only, unknown codes as English) and written by Apply,
    // which does nothing while the placeholder shows.
    void languageFile_data()
    {
        QTest::addColumn<QByteArray>("content"); // null: no file
        QTest::addColumn<int>("chosen"); // -1: Apply on the placeholder
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("manualPage");
        const QString en = QStringLiteral("en/NORVANE_for_WINDOWS_PC_EN.html");
        // clang-format off
        QTest::newRow("fr, first line only") << QByteArray("fr\nde") << -1 << QByteArray("fr\nde") << QStringLiteral("Français") << QStringLiteral("fr/NORVANE_pour_PC_WINDOWS_FR.html");
        QTest::newRow("unknown code") << QByteArray("it") << -1 << QByteArray("it") << QStringLiteral("English") << en;
        QTest::newRow("no file") << QByteArray() << -1 << QByteArray() << QStringLiteral("English") << en;
        QTest::newRow("German applied") << QByteArray("fr") << 2 << QByteArray("de") << QStringLiteral("Deutsch") << QStringLiteral("de/NORVANE_f_r_WINDOWS_PC_DE.html");
        // clang-format on
    }

    void languageFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, chosen);
        QFETCH(QByteArray, after);
        QFETCH(QString, current);
        QFETCH(QString, manualPage);
        Dialog d;
        // A translation loaded before must not outlive a change to a language without one.
        QVERIFY(WriteFile(d.LocaleFile(), "de"));
        d.language.InstallTranslator();
        QFile::remove(d.LocaleFile());
        if (!content.isNull())
            QVERIFY(WriteFile(d.LocaleFile(), content));
        d.language.InstallTranslator();
        d.dialog->RetranslateUI();
        QSignalSpy changed(d.dialog.get(), &VPNHelpDialog::LanguageChanged);
        auto* languages = Child<QComboBox>(d.dialog.get(), "LanguageComboBox");
        QCOMPARE(languages->currentIndex(), -1);
        languages->setCurrentIndex(chosen);
        Child<QPushButton>(d.dialog.get(), "ApplyLanguageButton")->click();

        QCOMPARE(changed.size(), chosen < 0 ? 0 : 1);
        QCOMPARE(ReadFile(d.LocaleFile()), after);
        QCOMPARE(QFile::exists(d.LocaleFile()), !after.isNull());
        QCOMPARE(Text(d.dialog.get(), "LanguageTopLabel"), current);
        QCOMPARE(languages->currentIndex(), -1);
        QVERIFY(
            Text(d.dialog.get(), "HelpSupportLabel").contains(d.dialog->ManualUrl(manualPage.toLatin1())));
    }

    // The window as start-up builds it: applying German from its help menu changes the window and
    // the open dialog at once.
    void germanReachesEveryWindow()
    {
        TempHome home;
        CopyTranslations(home.Path());
        VPNAppContext context(std::make_unique<FakeSystemServices>(home.Path()));
        context.CreateWorkflow(std::make_unique<ScriptedTunnel>(context.Settings(), context.SystemServices()),
                               std::make_unique<MemoryAccountKeyStore>(), QString());
        QDir().mkpath(home.ConfigPath(QString()));
        const std::unique_ptr<VPNMainWindow> window = CreateMainWindow(context);
        window->show();
        Child<QPushButton>(window.get(), "MenuHelpButton")->click();
        VPNHelpDialog* help = window->HelpDialog();
        QVERIFY(help->isVisible());
        Child<QComboBox>(help, "LanguageComboBox")->setCurrentIndex(2);
        Child<QPushButton>(help, "ApplyLanguageButton")->click();

        QCOMPARE(Text(window.get(), "MenuHelpButton"), QStringLiteral("Hilfe"));
        QCOMPARE(help->Caption(), QStringLiteral("Hilfemenü"));
        QVERIFY(Text(help, "HelpStartedLabel").contains(QLatin1String("de/lessons/Kurzanleitung.html")));
    }

    // While the file is made and sent the dialog stays open and says why; the ticket page opens
    // when the service has answered, and then the dialog closes.
    void sendFromToolsTab()
    {
        SimulatorFixture fixture;
        QString error;
        QVERIFY2(fixture.Prepare(&error), qPrintable(error));
        const std::unique_ptr<ServiceSimulator> simulator = fixture.Start();
        Dialog d(simulator->HostAndPort());
        d.api.Queue().SetExtraCaFile(fixture.CaPath());
        UrlRecorder browser;
        VPNHelpDialog* dialog = d.dialog.get();
        dialog->show();
        auto* progress = Child<QProgressBar>(dialog, "SupportFileProgressBar");
        QVERIFY(!progress->isVisible());
        Child<QPushButton>(dialog, "SupportSendButton")->click();
        QVERIFY(progress->isVisible());
        QCOMPARE(progress->value(), SupportReport::LogCopiedProgress);

        dialog->close();
        QVERIFY(dialog->isVisible());
        QVERIFY(d.dialog->Notice()->isVisible());
        QCOMPARE(
            Text(d.dialog->Notice(), "MessageLabel"),
            QStringLiteral("Generation of Support File is in progress. Please wait until it's finished."));

        for (const SupportReport::StepPlan& step : SupportReport::Plan) {
            d.clock.Advance(step.tickMs);
            d.diagnostics->Answer("done");
        }
        QTRY_COMPARE(progress->value(), SupportReport::DoneProgress);
        QCOMPARE(browser.urls,
                 QList<QUrl>({QUrl(QStringLiteral("https://%1/tickets/1").arg(simulator->HostAndPort()))}));
        QCOMPARE(Text(dialog, "SupportTopLabel"), QStringLiteral("Support File has been sent."));
        dialog->close();
        QVERIFY(!dialog->isVisible());
    }
};

QTEST_MAIN(TestVPNHelpDialog)
#include "testvpnhelpdialog.moc"
