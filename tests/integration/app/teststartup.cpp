#include "testfiles.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

constexpr int kProcessTimeoutMs = 30000;

// Start-up and the single-instance hand-over, seen from outside: each test runs the program
// with its own home and temporary directory, so lock file, socket and log are its own.
class TestStartup final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY2(QFile::exists(m_binary), "NORVANE_BINARY must name the built program");
        m_home = std::make_unique<QTemporaryDir>();
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid() && m_tmp->isValid());
    }

    // A termination signal ends the running instance like "/exit": through the tunnel's end.
    void terminationSignalsExitCleanly_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }
    void terminationSignalsExitCleanly()
    {
        QFETCH(int, signalNumber);
        QProcess* running = Start({});
        QVERIFY(WaitForVersion());
        QCOMPARE(::kill(pid_t(running->processId()), signalNumber), 0);
        QVERIFY(running->waitForFinished(kProcessTimeoutMs));
        QCOMPARE(running->exitStatus(), QProcess::NormalExit);
        QCOMPARE(running->exitCode(), 0);
        QVERIFY(LogFileMessages(LogPath()).contains(
            QStringLiteral("Exit requested. Taking the tunnel down first.")));
    }

    // A process still running after a failed test is killed on destruction.
    void cleanup() { m_started.clear(); }

    // Without a running instance "/exit" ends at once, wherever it stands, and writes no log.
    void exitWithoutRunningInstance()
    {
        const QString exit = QStringLiteral("/exit");
        for (const QStringList& args : {QStringList {QStringLiteral("-a"), QStringLiteral("b"), exit},
                                        QStringList {exit, QStringLiteral("b")}, QStringList {exit}})
            QCOMPARE(Run(args), 0);
        QVERIFY(!QFile::exists(LogPath()));
    }

    // A second start hands over to the running instance and ends with 0; the running instance
    // keeps its log and goes on until "/exit". Look-alikes of "/exit" are arguments like any other:
    // had one asked the running instance to quit, a later start would take over and keep running
    // instead of handing over and ending.
    void secondStartKeepsTheRunningInstance()
    {
        QProcess* first = Start({QStringLiteral("/EXIT")});
        QVERIFY(WaitForVersion());
        const QStringList messages = LogFileMessages(LogPath());
        QVERIFY(messages.size() >= 4);
        QCOMPARE(messages.at(0), QStringLiteral("\"NORVANE\"  started."));
        QVERIFY(messages.at(1).startsWith(QStringLiteral("local:  ")));
        QVERIFY(messages.at(2).startsWith(QStringLiteral("  utc:  ")));
        const QByteArray log = ReadFile(LogPath());

        for (const QString& arg :
             {QStringLiteral("/EXIT"), QStringLiteral("-exit"), QStringLiteral("/exit ")})
            QCOMPARE(Run({arg}), 0);
        QCOMPARE(Run({}), 0);
        QVERIFY(ReadFile(LogPath()).startsWith(log));
        QCOMPARE(first->state(), QProcess::Running);
        QVERIFY(Quit(first));
    }

    void restartedCopyTakesOver()
    {
        QProcess* old = Start({});
        QVERIFY(WaitForVersion());
        QProcess* restarted = Start({}, true);
        QVERIFY(restarted->waitForStarted(kProcessTimeoutMs));
        // Its settings are loaded (the home has none) just before it looks for a running instance.
        QByteArray errorOutput;
        QVERIFY(QTest::qWaitFor(
            [&] {
                errorOutput += restarted->readAllStandardError();
                return errorOutput.contains("Can't open settings file.");
            },
            kProcessTimeoutMs));
        // Out of the way before the old instance ends, so that only the new copy can write it.
        QVERIFY(QFile::remove(LogPath()));

        QVERIFY(Quit(old));
        // The restarted copy did not just activate the old one and end: it waited, took over,
        // began its own log and now listens.
        QVERIFY(WaitForVersion());
        QCOMPARE(restarted->state(), QProcess::Running);
        QVERIFY(Quit(restarted));
    }

private:
    QProcess* Start(const QStringList& args, bool restarted = false)
    {
        auto* process = m_started.emplace_back(std::make_unique<QProcess>()).get();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("NORVANE_HOME"), m_home->path());
        environment.insert(QStringLiteral("TMPDIR"), m_tmp->path());
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_tmp->path());
        environment.remove(QStringLiteral("NORVANE_RESTARTED"));
        if (restarted)
            environment.insert(QStringLiteral("NORVANE_RESTARTED"), QStringLiteral("1"));
        if (args.contains(QStringLiteral("/exit"))) {
            // Asking the running instance to quit must work from a terminal without a display.
            for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
                environment.remove(QString::fromLatin1(name));
        }
        process->setProcessEnvironment(environment);
        process->setProcessChannelMode(restarted ? QProcess::SeparateChannels
                                                 : QProcess::ForwardedErrorChannel);
        if (!args.isEmpty() && args.first() == QLatin1String("/exit")) {
            // The switch in position 0, where the program path usually is.
            process->start(
                QStringLiteral("bash"),
                QStringList {QStringLiteral("-c"), QStringLiteral("exec -a /exit \"$0\" \"$@\""), m_binary}
                    + args.mid(1));
        } else {
            process->start(m_binary, args);
        }
        return process;
    }

    // Runs the program to its end and gives its exit code; -1 when it crashed or did not end.
    int Run(const QStringList& args)
    {
        QProcess* process = Start(args);
        if (!process->waitForFinished(kProcessTimeoutMs) || process->exitStatus() != QProcess::NormalExit)
            return -1;
        return process->exitCode();
    }

    // Waits until the instance that logs to this test's home has written its version line.
    bool WaitForVersion() const
    {
        // The version is built into the program from the project's at build time.
        static const QRegularExpression line(QStringLiteral(R"(^Version:  "\d+\.\d+\.\d+(\.\d+)?"$)"));
        return QTest::qWaitFor([this] { return !LogFileMessages(LogPath()).filter(line).isEmpty(); },
                               kProcessTimeoutMs);
    }

    // "/exit" as a second start: it ends, and so does the running instance, both with 0.
    bool Quit(QProcess* running)
    {
        return Run({QStringLiteral("/exit")}) == 0 && running->waitForFinished(kProcessTimeoutMs)
            && running->exitStatus() == QProcess::NormalExit && running->exitCode() == 0;
    }

    QString LogPath() const { return m_home->path() + QStringLiteral("/Config/norvane_log.log"); }

    QString m_binary = qEnvironmentVariable("NORVANE_BINARY");
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QTemporaryDir> m_tmp;
    std::vector<std::unique_ptr<QProcess>> m_started;
};

QTEST_GUILESS_MAIN(TestStartup)
#include "teststartup.moc"
