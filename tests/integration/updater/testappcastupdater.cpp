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

#include <chrono>

namespace {

using Outcome = UpdateCheckResult::Outcome;
using std::chrono::milliseconds;

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
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<VPNMessageQueue> m_queue;
    FakeClock m_clock;

    QUrl FeedUrl() const
    {
        return QUrl(QStringLiteral("https://%1%2")
                        .arg(m_simulator->HostAndPort(), QLatin1String(ServiceSimulator::AppcastPath)));
    }
    QString StatePath() const { return m_dir->filePath(QStringLiteral("Config/lastupdatecheck.txt")); }
    std::unique_ptr<AppcastAutoUpdater> MakeUpdater(const QUrl& url)
    {
        return std::make_unique<AppcastAutoUpdater>(url, kRunning, *m_queue, m_clock, StatePath());
    }
    int FeedRequests() const
    {
        int count = 0;
        for (const HttpRequest& request : m_simulator->Requests())
            count += request.Path() == ServiceSimulator::AppcastPath ? 1 : 0;
        return count;
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_fixture.Prepare(&error), qPrintable(error));
    }
    void init()
    {
        m_simulator = m_fixture.Start();
        QVERIFY(m_simulator);
        m_dir = std::make_unique<QTemporaryDir>();
        m_queue = std::make_unique<VPNMessageQueue>();
        QVERIFY(m_queue->SetExtraCaFile(m_fixture.CaPath()));
    }
    void cleanup()
    {
        m_queue.reset();
        m_simulator.reset();
        m_dir.reset();
    }

    // The button's check: every outcome reaches the user, and only a check that read a usable
    // feed counts as the day's check.
    void checkForUpdates_data()
    {
        QTest::addColumn<QString>("feed"); // "offer <version>", "raw <text>", "missing", "unreachable"
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("version");
        // clang-format off
        QTest::newRow("newer") << QStringLiteral("offer 0.10.0") << Outcome::NewerVersion << QStringLiteral("0.10.0");
        QTest::newRow("same") << QStringLiteral("offer 0.1.0") << Outcome::UpToDate << QStringLiteral("0.1.0");
        QTest::newRow("older") << QStringLiteral("offer 0.0.9") << Outcome::UpToDate << QStringLiteral("0.0.9");
        QTest::newRow("malformed") << QStringLiteral("raw <rss><channel><item>") << Outcome::Failed << QString();
        QTest::newRow("not found") << QStringLiteral("missing") << Outcome::Failed << QString();
        QTest::newRow("unreachable") << QStringLiteral("unreachable") << Outcome::Failed << QString();
        // clang-format on
    }
    void checkForUpdates()
    {
        QFETCH(QString, feed);
        QFETCH(Outcome, outcome);
        QFETCH(QString, version);
        QUrl url = FeedUrl();
        const QString argument = feed.section(QLatin1Char(' '), 1);
        if (feed.startsWith(QLatin1String("offer"))) {
            m_simulator->SetOfferedVersion(argument);
        } else if (feed.startsWith(QLatin1String("raw"))) {
            m_simulator->SetAppcast(argument.toUtf8());
        } else if (feed == QLatin1String("unreachable")) {
            QTcpServer closed;
            QVERIFY(closed.listen(QHostAddress::LocalHost));
            url.setPort(closed.serverPort());
        }
        auto updater = MakeUpdater(url);
        QSignalSpy results(updater.get(), &AutoUpdater::ResultAvailable);
        updater->CheckForUpdates();
        QVERIFY(results.wait(15000));
        const auto result = results.first().first().value<UpdateCheckResult>();
        QCOMPARE(result.outcome, outcome);
        QCOMPARE(result.version, version);
        QCOMPARE(result.error.isEmpty(), outcome != Outcome::Failed);
        if (outcome == Outcome::NewerVersion)
            QCOMPARE(result.downloadUrl.toString(),
                     QStringLiteral("https://%1/downloads/norvane_0.10.0_amd64.deb")
                         .arg(m_simulator->HostAndPort()));
        QCOMPARE(updater->LastCheck().isValid(), outcome != Outcome::Failed);
        QCOMPARE(results.count(), 1);
    }

    // The program's own checks, at the designed intervals: at start-up when the last one is a day
    // old or more, then once a day while it runs, an hour after one that failed; quiet unless
    // there is a newer version.
    void onceADay_data()
    {
        QTest::addColumn<QString>("lastCheck"); // hours before start, "none", or the file's text
        QTest::addColumn<QString>("offered"); // empty: no feed
        QTest::addColumn<bool>("checkAtStart");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<int>("nextCheckInHours");
        // clang-format off
        QTest::newRow("first start") << QStringLiteral("none") << kRunning << true << false << 24;
        QTest::newRow("first start, newer version") << QStringLiteral("none") << QStringLiteral("0.2") << true << true << 24;
        QTest::newRow("first start, feed missing: quiet") << QStringLiteral("none") << QString() << true << false << 1;
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
        bool isHours = false;
        const int hoursAgo = lastCheck.toInt(&isHours);
        if (lastCheck != QLatin1String("none")) {
            const QString text = isHours
                ? m_clock.Now().addSecs(-3600LL * hoursAgo).toUTC().toString(Qt::ISODate)
                : lastCheck;
            QVERIFY(MakeFileDirectory(StatePath()) && WriteFile(StatePath(), text.toUtf8()));
        }
        m_simulator->SetOfferedVersion(offered);

        auto updater = MakeUpdater(FeedUrl());
        QSignalSpy results(updater.get(), &AutoUpdater::ResultAvailable);
        updater->InitializeUpdater();
        QCOMPARE(updater->IsChecking(), checkAtStart);
        QTRY_VERIFY_WITH_TIMEOUT(!updater->IsChecking(), 15000);
        QCOMPARE(FeedRequests(), checkAtStart ? 1 : 0);
        QCOMPARE(results.count(), shown ? 1 : 0);

        const qint64 next = milliseconds(std::chrono::hours(nextCheckInHours)).count();
        m_clock.Advance(next - 1);
        QVERIFY(!updater->IsChecking());
        m_clock.Advance(1);
        QVERIFY(updater->IsChecking());
        QTRY_COMPARE_WITH_TIMEOUT(FeedRequests(), checkAtStart ? 2 : 1, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(!updater->IsChecking(), 15000);
    }
};

QTEST_GUILESS_MAIN(TestAppcastUpdater)
#include "testappcastupdater.moc"
