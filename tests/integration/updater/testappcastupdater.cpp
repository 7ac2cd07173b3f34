#include "api/vpnmessagequeue.h"
#include "fakeclock.h"
#include "platform/isystemservices.h"
#include "simulatorfixture.h"
#include "testfiles.h"
#include "updater/appcastautoupdater.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Outcome = UpdateCheckResult::Outcome;
const QString kRunning = QStringLiteral("0.1.0");

} // namespace

// The update check over HTTPS against the simulated web site: what the user is told for each
// kind of feed, and when the program checks by itself. Time comes from a fake clock; only the
// requests are real.
class TestAppcastUpdater final : public QObject
{
    Q_OBJECT

private:
    SimulatorFixture m_fixture;
    std::unique_ptr<ServiceSimulator> m_simulator;
    QTemporaryDir m_dir;
    VPNMessageQueue m_queue;
    FakeClock m_clock;

    QString StatePath() const { return m_dir.filePath(QStringLiteral("Config/lastupdatecheck.txt")); }
    // An updater of the simulator's feed; port 0 means the simulator's own.
    std::unique_ptr<AppcastAutoUpdater> MakeUpdater(quint16 port = 0)
    {
        QFile::remove(StatePath());
        const QUrl url(QStringLiteral("https://127.0.0.1:%1%2")
                           .arg(port ? port : m_simulator->Port())
                           .arg(QLatin1String(ServiceSimulator::AppcastPath)));
        return std::make_unique<AppcastAutoUpdater>(url, kRunning, m_queue, m_clock, StatePath());
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_fixture.Prepare(&error), qPrintable(error));
        QVERIFY(m_queue.SetExtraCaFile(m_fixture.CaPath()));
    }
    void init()
    {
        m_simulator = m_fixture.Start();
        QVERIFY(m_simulator);
    }

    // The button's check: every outcome reaches the user; only a usable feed counts as a check.
    // How a feed's versions compare, and which feeds are broken, is TestAppcast's table.
    void checkForUpdates_data()
    {
        QTest::addColumn<QString>("offered"); // a version, "" (404) or "unreachable"
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("version");
        // clang-format off
        QTest::newRow("newer") << QStringLiteral("0.10.0") << Outcome::NewerVersion << QStringLiteral("0.10.0");
        QTest::newRow("same") << kRunning << Outcome::UpToDate << kRunning;
        QTest::newRow("not found") << QString() << Outcome::Failed << QString();
        QTest::newRow("unreachable") << QStringLiteral("unreachable") << Outcome::Failed << QString();
        // clang-format on
    }
    void checkForUpdates()
    {
        QFETCH(QString, offered);
        QFETCH(Outcome, outcome);
        QFETCH(QString, version);
        quint16 port = 0;
        if (offered == QLatin1String("unreachable")) {
            QTcpServer closed;
            QVERIFY(closed.listen(QHostAddress::LocalHost));
            port = closed.serverPort();
        } else {
            m_simulator->SetOfferedVersion(offered);
        }
        auto updater = MakeUpdater(port);
        QSignalSpy results(updater.get(), &AutoUpdater::ResultAvailable);
        updater->CheckForUpdates();
        QVERIFY(results.wait(15000));
        const auto result = results.first().first().value<UpdateCheckResult>();
        QCOMPARE(result.outcome, outcome);
        QCOMPARE(result.version, version);
        QCOMPARE(result.error.isEmpty(), outcome != Outcome::Failed);
        QCOMPARE(result.downloadUrl.isValid(), outcome != Outcome::Failed);
        QCOMPARE(updater->LastCheck().isValid(), outcome != Outcome::Failed);
    }

    // The program's own checks at the designed intervals: at start-up when the last one is a day
    // old or more, then daily while it runs, an hour after a failure; quiet unless there is news.
    void onceADay_data()
    {
        QTest::addColumn<QString>("lastCheck"); // hours before start, or the record's text
        QTest::addColumn<QString>("offered"); // empty: no feed
        QTest::addColumn<bool>("checkAtStart");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<int>("nextCheckInHours");
        // clang-format off
        QTest::newRow("first start") << QString() << kRunning << true << false << 24;
        QTest::newRow("first start, newer version") << QString() << QStringLiteral("0.2") << true << true << 24;
        QTest::newRow("first start, no feed: quiet") << QString() << QString() << true << false << 1;
        QTest::newRow("checked 23 h ago") << QStringLiteral("23") << kRunning << false << false << 1;
        QTest::newRow("checked 25 h ago") << QStringLiteral("25") << kRunning << true << false << 24;
        QTest::newRow("clock set back") << QStringLiteral("-5") << kRunning << true << false << 24;
        QTest::newRow("unreadable record") << QStringLiteral("yesterday") << kRunning << true << false << 24;
        // clang-format on
    }
    void onceADay()
    {
        QFETCH(QString, lastCheck);
        QFETCH(QString, offered);
        QFETCH(bool, checkAtStart);
        QFETCH(bool, shown);
        QFETCH(int, nextCheckInHours);
        m_simulator->SetOfferedVersion(offered);
        auto updater = MakeUpdater();
        bool isHours = false;
        const int hoursAgo = lastCheck.toInt(&isHours);
        if (!lastCheck.isEmpty())
            QVERIFY(MakeFileDirectory(StatePath())
                    && WriteFile(
                        StatePath(),
                        isHours ? m_clock.Now().addSecs(-3600LL * hoursAgo).toString(Qt::ISODate).toUtf8()
                                : lastCheck.toUtf8()));
        QSignalSpy results(updater.get(), &AutoUpdater::ResultAvailable);
        updater->InitializeUpdater();
        QCOMPARE(updater->IsChecking(), checkAtStart);
        QTRY_VERIFY_WITH_TIMEOUT(!updater->IsChecking(), 15000);
        QCOMPARE(m_simulator->Requests().size(), checkAtStart ? 1 : 0);
        QCOMPARE(results.size(), shown ? 1 : 0);

        m_clock.Advance(3600LL * 1000 * nextCheckInHours - 1);
        QVERIFY(!updater->IsChecking());
        m_clock.Advance(1);
        QVERIFY(updater->IsChecking());
        QTRY_VERIFY_WITH_TIMEOUT(!updater->IsChecking(), 15000);
        QCOMPARE(m_simulator->Requests().size(), checkAtStart ? 2 : 1);
    }
};

QTEST_GUILESS_MAIN(TestAppcastUpdater)
#include "testappcastupdater.moc"
