#include "api/vpnapi.h"
#include "fakeclock.h"
#include "fakediagnostics.h"
#include "settings/vpnsettings.h"
#include "simulatorfixture.h"
#include "support/loghandler.h"
#include "support/supportreport.h"
#include "testfiles.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString ProxyPassword = QStringLiteral("pr0xyPass");
using Step = NetworkDiagnostics::Step;

} // namespace

// A whole support run on a fake clock and fake network commands, sent to the in-process
// simulator: what the service receives (the log copy line by line), the progress the bar shows
// and what is left on disk.
class TestSupportReport final : public QObject
{
    Q_OBJECT

private:
    SimulatorFixture m_fixture;

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_fixture.Prepare(&error), qPrintable(error));
    }

    void run_data()
    {
        QTest::addColumn<int>("hangingStep"); // -1: every step answers
        QTest::addColumn<bool>("serviceFails");
        QTest::newRow("every step answers") << -1 << false;
        QTest::newRow("ping hangs") << 1 << false;
        QTest::newRow("service fails") << -1 << true;
    }

    void run()
    {
        QFETCH(int, hangingStep);
        QFETCH(bool, serviceFails);
        // The run's own temporary folder, to see that nothing stays behind.
        QTemporaryDir temp;
        const QString runTemp = temp.filePath(QStringLiteral("run"));
        QVERIFY(QDir().mkpath(runTemp));
        const std::unique_ptr<ServiceSimulator> simulator = m_fixture.Start();
        QVERIFY(simulator);
        if (serviceFails)
            simulator->SetHttpError(503);
        const QString key = SimulatorFixture::AccountKey();

        // A log as the handler writes it, with both secrets in it.
        const QStringList messages
            = {QStringLiteral("Started."), QStringLiteral("serial=") + key,
               QStringLiteral("proxy ") + ProxyPassword + QStringLiteral("\nnext"), QStringLiteral("Zürich")};
        QByteArray log;
        QByteArray readableLog;
        for (const QString& message : messages) {
            const QString line = LogHandler::FormatLine(QtDebugMsg, message);
            log += line.toUtf8();
            QString readable = line.left(line.indexOf(QLatin1Char(':'), 20) + 2) + message;
            readable.replace(key, QStringLiteral("********"));
            readable.replace(ProxyPassword, QStringLiteral("********"));
            readableLog += readable.replace(QLatin1Char('\n'), QStringLiteral("\r\n")).toUtf8() + "\r\n";
        }
        // A line of another shape is copied as it is.
        log += "not a log line\n";
        readableLog += "not a log line\r\n";
        QTemporaryDir home;
        const QString logPath = home.filePath(QStringLiteral("norvane_log.log"));
        QVERIFY(WriteFile(logPath, log));

        VPNApi api(simulator->HostAndPort(), QStringLiteral("Tq3vWz8p"));
        api.Queue().SetExtraCaFile(m_fixture.CaPath());
        api.SetAccountKey(key);
        VPNSettings settings;
        settings.proxyPassword = ProxyPassword;
        FakeClock clock;
        auto diagnostics = std::make_unique<FakeDiagnostics>();
        FakeDiagnostics* fake = diagnostics.get();
        SupportReport report(api, settings, std::move(diagnostics), clock, logPath,
                             QStringLiteral("www.debian.org"));
        QSignalSpy progress(&report, &SupportReport::ProgressChanged);
        QSignalSpy finished(&report, &SupportReport::Finished);

        qputenv("TMPDIR", runTemp.toUtf8());
        report.Start();
        QCOMPARE(QDir(runTemp).entryList({QStringLiteral("norvane-support-*")}, QDir::AllEntries).size(), 1);
        QList<int> expectedProgress = {0, SupportReport::LogCopiedProgress};
        QByteArray expectedReport;
        const QStringList titles
            = {QStringLiteral("Name lookup of www.debian.org"), QStringLiteral("Ping to 127.0.0.1"),
               QStringLiteral("Trace route to 127.0.0.1"), QStringLiteral("IP configuration")};
        for (int i = 0; i < 4; ++i) {
            const SupportReport::StepPlan& plan = SupportReport::Plan[i];
            QCOMPARE(fake->started.value(i), plan.step);
            // One step per tick up to the ceiling, for as long as the step runs.
            const int waitMs = i == hangingStep ? plan.limitMs : plan.limitMs - 1;
            const int creepEnd = std::min(plan.ceiling, expectedProgress.last() + waitMs / plan.tickMs);
            for (int value = expectedProgress.last() + 1; value <= creepEnd; ++value)
                expectedProgress.append(value);
            expectedProgress.append(plan.endValue);
            expectedReport += "==== " + titles.at(i).toUtf8() + '\n';
            clock.Advance(waitMs);
            if (i == hangingStep) {
                QCOMPARE(fake->aborts, 1);
                expectedReport
                    += "(stopped: no result within " + QByteArray::number(plan.limitMs / 1000) + " s)\n\n";
            } else {
                const QByteArray output = "output " + QByteArray::number(i) + " for " + key.toUtf8();
                fake->Answer(output);
                expectedReport += "output " + QByteArray::number(i) + " for ********\n\n";
            }
        }
        // The bar waits at the last step's end until the service answers.
        QCOMPARE(report.Progress(), SupportReport::Plan[3].endValue);
        QVERIFY(report.IsRunning());
        QVERIFY(finished.wait(15000));
        expectedProgress.append(SupportReport::DoneProgress);
        QList<int> shownProgress;
        for (const QList<QVariant>& value : progress)
            shownProgress.append(value.first().toInt());
        QCOMPARE(shownProgress, expectedProgress);
        QVERIFY(!report.IsRunning());
        qunsetenv("TMPDIR");
        QCOMPARE(QDir(runTemp).entryList({QStringLiteral("norvane-support-*")}, QDir::AllEntries),
                 QStringList());

        if (serviceFails) {
            QCOMPARE(finished.first(), QVariantList({false, QString()}));
            return;
        }
        QCOMPARE(finished.first(),
                 QVariantList({true, QStringLiteral("https://%1/tickets/1").arg(simulator->HostAndPort())}));
        const QString ticket = simulator->TicketDirectory(1);
        QCOMPARE(ReadFile(ticket + QStringLiteral("/support_file.txt")), expectedReport);
        QCOMPARE(ReadFile(ticket + QStringLiteral("/log_file.txt")), readableLog);
    }
};

QTEST_GUILESS_MAIN(TestSupportReport)
#include "testsupportreport.moc"
