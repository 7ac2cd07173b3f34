#include "support/loghandler.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

constexpr int kProcessTimeoutMs = 30000;

} // namespace

// Start-up and the single-instance hand-over, seen from outside: each test runs the program
// with its own home and temporary directory, so lock file, socket and log are its own.
class TestStartup final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void exitWithoutRunningInstance_data();
    void exitWithoutRunningInstance();
    void secondStartKeepsTheRunningInstance();
    void switchLookalikes_data();
    void switchLookalikes();
    void restartedCopyTakesOver();

private:
    std::unique_ptr<QProcess> Start(const QStringList& args, bool restarted = false);
    // Runs the program to its end; false when it does not end in time.
    bool Run(const QStringList& args, int* exitCode);
    // Waits until the instance that logs to this test's home has written its version line.
    bool WaitForVersion() const;
    QString LogPath() const { return m_home->path() + QStringLiteral("/Config/norvane_log.log"); }
    QStringList LogMessages() const;

    QString m_binary = qEnvironmentVariable("NORVANE_BINARY");
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QTemporaryDir> m_tmp;
    std::vector<std::unique_ptr<QProcess>> m_started;
};

void TestStartup::init()
{
    QVERIFY2(QFile::exists(m_binary), "NORVANE_BINARY must name the built program");
    m_home = std::make_unique<QTemporaryDir>();
    m_tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid() && m_tmp->isValid());
}

void TestStartup::cleanup()
{
    for (auto& process : m_started) {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(kProcessTimeoutMs);
        }
    }
    m_started.clear();
}

std::unique_ptr<QProcess> TestStartup::Start(const QStringList& args, bool restarted)
{
    auto process = std::make_unique<QProcess>();
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
    process->setProcessChannelMode(restarted ? QProcess::SeparateChannels : QProcess::ForwardedErrorChannel);
    if (!args.isEmpty() && args.first() == QLatin1String("/exit")) {
        // The switch in position 0, where the program path usually is.
        const QStringList bashArgs
            = QStringList {QStringLiteral("-c"), QStringLiteral("exec -a /exit \"$0\" \"$@\""), m_binary}
            + args.mid(1);
        process->start(QStringLiteral("bash"), bashArgs);
    } else {
        process->start(m_binary, args);
    }
    return process;
}

bool TestStartup::Run(const QStringList& args, int* exitCode)
{
    auto process = Start(args);
    const bool finished = process->waitForFinished(kProcessTimeoutMs);
    *exitCode = process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
    if (!finished)
        m_started.push_back(std::move(process));
    return finished;
}

bool TestStartup::WaitForVersion() const
{
    return QTest::qWaitFor(
        [this] {
            const QStringList messages = LogMessages();
            return std::any_of(messages.begin(), messages.end(),
                               [](const QString& m) { return m.startsWith(QStringLiteral("Version:  \"")); });
        },
        kProcessTimeoutMs);
}

QStringList TestStartup::LogMessages() const
{
    QFile file(LogPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList messages;
    const QRegularExpression line(QStringLiteral(R"(^.{15} \| [A-Za-z]+: (.*)$)"));
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QRegularExpressionMatch match = line.match(QString::fromUtf8(raw));
        if (match.hasMatch())
            messages.append(LogHandler::UnscrambleLogText(match.captured(1)));
    }
    return messages;
}

void TestStartup::exitWithoutRunningInstance_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("alone") << QStringList {QStringLiteral("x"), QStringLiteral("/exit")};
    QTest::newRow("after others") << QStringList {QStringLiteral("-a"), QStringLiteral("b"),
                                                  QStringLiteral("/exit")};
    QTest::newRow("before others") << QStringList {QStringLiteral("/exit"), QStringLiteral("b")};
    QTest::newRow("as program path") << QStringList {QStringLiteral("/exit")};
}

void TestStartup::exitWithoutRunningInstance()
{
    QFETCH(QStringList, args);
    int exitCode = -1;
    QVERIFY(Run(args, &exitCode));
    QCOMPARE(exitCode, 0);
    QVERIFY(!QFile::exists(LogPath()));
}

void TestStartup::secondStartKeepsTheRunningInstance()
{
    auto first = Start({});
    QVERIFY(WaitForVersion());
    const QStringList messages = LogMessages();
    QVERIFY(messages.size() >= 4);
    QCOMPARE(messages.at(0), QStringLiteral("\"NORVANE\"  started."));
    QVERIFY(messages.at(1).startsWith(QStringLiteral("local:  ")));
    QVERIFY(messages.at(2).startsWith(QStringLiteral("  utc:  ")));
    QFile log(LogPath());
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray before = log.readAll();
    log.close();

    int exitCode = -1;
    QVERIFY(Run({}, &exitCode));
    QCOMPARE(exitCode, 0);
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().startsWith(before));
    log.close();
    QCOMPARE(first->state(), QProcess::Running);

    QVERIFY(Run({QStringLiteral("/exit")}, &exitCode));
    QCOMPARE(exitCode, 0);
    QVERIFY(first->waitForFinished(kProcessTimeoutMs));
    QCOMPARE(first->exitStatus(), QProcess::NormalExit);
    QCOMPARE(first->exitCode(), 0);
    m_started.push_back(std::move(first));
}

void TestStartup::switchLookalikes_data()
{
    QTest::addColumn<QString>("argument");
    QTest::newRow("upper case") << QStringLiteral("/EXIT");
    QTest::newRow("hyphen") << QStringLiteral("-exit");
    QTest::newRow("trailing blank") << QStringLiteral("/exit ");
}

// A look-alike of "/exit" starts the program like any argument, and a second start with it
// only activates the first instance.
void TestStartup::switchLookalikes()
{
    QFETCH(QString, argument);
    auto first = Start({argument});
    QVERIFY(WaitForVersion());
    int exitCode = -1;
    QVERIFY(Run({argument}, &exitCode));
    QCOMPARE(exitCode, 0);
    // Had the look-alike asked the first instance to quit, this plain start would take over
    // and keep running instead of handing over and ending.
    QVERIFY(Run({}, &exitCode));
    QCOMPARE(exitCode, 0);
    QCOMPARE(first->state(), QProcess::Running);
    QVERIFY(Run({QStringLiteral("/exit")}, &exitCode));
    QVERIFY(first->waitForFinished(kProcessTimeoutMs));
    QCOMPARE(first->exitCode(), 0);
    m_started.push_back(std::move(first));
}

void TestStartup::restartedCopyTakesOver()
{
    auto old = Start({});
    QVERIFY(WaitForVersion());
    auto restarted = Start({}, true);
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

    int exitCode = -1;
    QVERIFY(Run({QStringLiteral("/exit")}, &exitCode));
    QVERIFY(old->waitForFinished(kProcessTimeoutMs));
    QCOMPARE(old->exitCode(), 0);
    m_started.push_back(std::move(old));

    // The restarted copy did not just activate the old one and end: it waited, took over and
    // began its own log.
    QVERIFY(WaitForVersion());
    QCOMPARE(restarted->state(), QProcess::Running);
    QVERIFY(Run({QStringLiteral("/exit")}, &exitCode));
    QVERIFY(restarted->waitForFinished(kProcessTimeoutMs));
    QCOMPARE(restarted->exitCode(), 0);
    m_started.push_back(std::move(restarted));
}

QTEST_GUILESS_MAIN(TestStartup)
#include "teststartup.moc"
