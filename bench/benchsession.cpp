// The program's own window, workflow and tunnel controller in the service world, timed from
// process start (NORVANE_BENCH_T0, nanoseconds since the epoch, taken by tools/bench.sh just
// before the start): start-up to the server selection, then with "session" CONNECT to connected,
// an IP change, the idle cost connected with the window shown and hidden in the tray, disconnect
// and exit. A watchdog records the longest GUI-thread stall of each part. Prints
// "RESULT <name> <value> [<name>=<value>...]" lines for tools/bench.sh.

#include "appcontext.h"
#include "connection/accountsession.h"
#include "connection/connectioncontroller.h"
#include "deployment.h"
#include "linux/keychainaccountkeystore.h"
#include "linux/linuxsystemservices.h"
#include "processcost.h"
#include "settings/settingsfile.h"
#include "stallwatchdog.h"
#include "startup.h"
#include "support/loghandler.h"
#include "tunnel/openvpngeneric.h"
#include "vpnmainwindow.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <deque>
#include <functional>

namespace {

using State = ConnectionController::State;

double MsSinceStart()
{
    const qint64 t0 = qgetenv("NORVANE_BENCH_T0").toLongLong();
    return (QDateTime::currentMSecsSinceEpoch() * 1e6 - double(t0)) / 1e6;
}

/**
 * Runs the steps one after the other; a step ends by calling Next(), or by a condition polled
 * every 10 ms coming true (Fail() after its deadline).
 */
class Script : public QObject
{
public:
    using Step = std::function<void()>;

    void Add(Step step) { m_steps.push_back(std::move(step)); }
    void Next()
    {
        if (m_steps.empty())
            return;
        Step step = std::move(m_steps.front());
        m_steps.pop_front();
        QTimer::singleShot(0, this, std::move(step));
    }
    void WaitFor(const char* what, const std::function<bool()>& condition, int timeoutMs)
    {
        QElapsedTimer elapsed;
        elapsed.start();
        auto* poll = new QTimer(this);
        poll->setInterval(10);
        connect(poll, &QTimer::timeout, this, [=] {
            // Stopped at once: on a busy machine the deferred delete may come after another tick.
            if (condition()) {
                poll->stop();
                poll->deleteLater();
                Next();
            } else if (elapsed.elapsed() > timeoutMs) {
                poll->stop();
                poll->deleteLater();
                Fail(what);
            }
        });
        poll->start();
    }
    void Fail(const char* what)
    {
        std::fprintf(stderr, "benchsession: timed out waiting for %s\n", what);
        QCoreApplication::exit(1);
    }

private:
    std::deque<Step> m_steps;
};

void Print(const QString& line)
{
    std::printf("RESULT %s\n", qPrintable(line));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const bool session = app.arguments().value(1) == QLatin1String("session");
    const int idleSeconds = qEnvironmentVariableIsSet("NORVANE_BENCH_IDLE_SECONDS")
        ? qEnvironmentVariableIntValue("NORVANE_BENCH_IDLE_SECONDS")
        : 60;
    if (Deployment::AccountKeyOverride().isEmpty()) {
        std::fprintf(stderr, "benchsession: run it in the service world (NORVANE_ACCOUNT_KEY unset)\n");
        return 2;
    }
    // Stalls count once the event loop runs: before, no window shows (that time is in the
    // start-up figure).
    StallWatchdog watchdog;
    QTimer::singleShot(0, &watchdog, &StallWatchdog::Start);

    // What the program's start-up builds, with the settings of the end-to-end tests.
    auto services = std::make_unique<LinuxSystemServices>(QStringLiteral("norvane"));
    services->SetExecutable(QCoreApplication::applicationFilePath());
    VPNSettings settings;
    settings.autoLaunch = false;
    settings.serversOnMainScreen = true;
    settings.forcedIpChangeEnabled = true;
    const QString settingsPath = GetSettingsFilePath(*services);
    if (!QDir().mkpath(QFileInfo(settingsPath).absolutePath())
        || !SettingsFile::Write(settingsPath, settings))
        return 2;
    VPNAppContext context(std::move(services));
    // Every message goes to the log file, as in the program.
    const QString logFilePath = GetLogFilePath(context.SystemServices());
    MakeFileDirectory(logFilePath);
    LogHandler::Install(logFilePath);
    context.CreateWorkflow(CreateTunnel(context),
                           std::make_unique<KeychainAccountKeyStore>(AccountKeyFilePath(context)),
                           Deployment::AccountKeyOverride());
    std::unique_ptr<VPNMainWindow> window = CreateMainWindow(context);
    window->show();
    context.Account().LoadAccountKey();

    ConnectionController& connection = context.Connection();
    const auto label
        = [&window](const char* name) { return window->findChild<QLabel*>(QLatin1String(name))->text(); };
    const auto click
        = [&window](const char* name) { window->findChild<QPushButton*>(QLatin1String(name))->click(); };
    const auto stall = [&watchdog](const char* part) {
        Print(QStringLiteral("stall_%1 %2")
                  .arg(QLatin1String(part))
                  .arg(watchdog.TakeLongestStallMs(), 0, 'f', 1));
    };

    // The course of the session on stderr, for when a step does not come.
    QElapsedTimer sinceStart;
    sinceStart.start();
    QObject::connect(&connection, &ConnectionController::StatusChanged, &connection, [&] {
        std::fprintf(stderr, "%8lld ms %s: %s\n", sinceStart.elapsed(),
                     qPrintable(ConnectionController::StateName(connection.CurrentState())),
                     qPrintable(connection.StatusText()));
    });

    Script script;
    QElapsedTimer clock;
    QString exitAddress;
    ProcessCost before;
    const auto measureIdle = [&](const char* name) {
        script.Add([&] {
            before = ProcessCost::ReadSelf();
            clock.start();
            QTimer::singleShot(idleSeconds * 1000, &script, [&script] { script.Next(); });
        });
        script.Add([&, name] {
            const ProcessCost after = ProcessCost::ReadSelf();
            const double seconds = clock.elapsed() / 1000.0;
            Print(QStringLiteral("%1 0 cpu_percent=%2 wakeups_per_s=%3 rss_mb=%4 seconds=%5")
                      .arg(QLatin1String(name))
                      .arg(100 * (after.cpuSeconds - before.cpuSeconds) / seconds, 0, 'f', 3)
                      .arg((after.contextSwitches - before.contextSwitches) / seconds, 0, 'f', 2)
                      .arg(after.residentKiB / 1024.0, 0, 'f', 1)
                      .arg(seconds, 0, 'f', 0));
            script.Next();
        });
    };

    script.Add([&] {
        script.WaitFor(
            "the server selection", [&] { return connection.CurrentState() == State::ServerSelectState; },
            60000);
    });
    script.Add([&] {
        if (!session)
            Print(QStringLiteral("startup %1").arg(MsSinceStart(), 0, 'f', 1));
        stall("startup");
        if (!session) {
            QCoreApplication::quit();
            return;
        }
        clock.start();
        click("ConnectButton");
        script.WaitFor(
            "connected",
            [&] {
                return connection.CurrentState() == State::ConnectedState
                    && label("MainStatusLabel") == QLatin1String("YOU ARE SECURELY CONNECTED");
            },
            60000);
    });
    script.Add([&] {
        Print(QStringLiteral("connect %1").arg(clock.elapsed()));
        // The tunnel's configuration for the bare openvpn run of tools/bench.sh.
        const QString copy = qEnvironmentVariable("NORVANE_BENCH_CONFIG_COPY");
        if (!copy.isEmpty()) {
            const QString config = GetOpenVpnConfigPath(context.SystemServices());
            const QDir folder = QFileInfo(config).dir();
            QDir().mkpath(copy);
            for (const QString& name : folder.entryList(QDir::Files))
                QFile::copy(folder.filePath(name), copy + QLatin1Char('/') + name);
        }
        stall("connect");
        exitAddress = label("MainNewIPLabel");
        click("ChangeIPButton");
        script.WaitFor(
            "a new exit address",
            [&] {
                const QString shown = label("MainNewIPLabel");
                return shown.startsWith(QLatin1String("203.0.113.")) && shown != exitAddress;
            },
            30000);
    });
    script.Add([&] {
        stall("ipchange");
        // The idle figures leave the watchdog out; the fade-in of the indicator ends first.
        watchdog.Stop();
        QTimer::singleShot(3000, &script, [&script] { script.Next(); });
    });
    measureIdle("idle_shown");
    script.Add([&] {
        window->hide();
        QTimer::singleShot(2000, &script, [&script] { script.Next(); });
    });
    measureIdle("idle_hidden");
    script.Add([&] {
        window->show();
        watchdog.TakeLongestStallMs();
        watchdog.Start();
        click("DisconnectButton");
        script.WaitFor(
            "the end of the countdown",
            [&] {
                return connection.CurrentState() == State::ServerSelectState && connection.ConnectAllowed();
            },
            60000);
    });
    script.Add([&] {
        stall("disconnect");
        window->OnExit();
    });
    script.Next();

    const int result = QApplication::exec();
    if (session && result == 0)
        stall("exit");
    watchdog.Stop();
    LogHandler::SetEnabled(false);
    window.reset();
    return result;
}
