#include "linux/linuxnetworkdiagnostics.h"

#include <QSignalSpy>
#include <QTest>

namespace {

using Command = LinuxNetworkDiagnostics::Command;
using Step = NetworkDiagnostics::Step;

// Programs named in installed are found under /bin.
LinuxNetworkDiagnostics::ProgramLookup Installed(const QStringList& installed)
{
    return [installed](const QString& name) {
        return installed.contains(name) ? QStringLiteral("/bin/") + name : QString();
    };
}

// One line per command: its command line, the file it reads, or its note.
QStringList Describe(const QList<Command>& commands)
{
    QStringList lines;
    for (const Command& command : commands) {
        if (!command.note.isEmpty())
            lines << command.note;
        else if (!command.file.isEmpty())
            lines << QStringLiteral("read ") + command.file;
        else
            lines << (QStringList(command.program) + command.arguments).join(QLatin1Char(' '));
    }
    return lines;
}

} // namespace

class TestLinuxNetworkDiagnostics final : public QObject
{
    Q_OBJECT

private slots:
    void stepCommands_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("installed");
        QTest::addColumn<QStringList>("commands");
        const QString all = QStringLiteral("tracepath traceroute");
        const auto row
            = [](const char* name, Step step, const QString& installed, const QStringList& commands) {
                  QTest::newRow(name) << int(step) << installed << commands;
              };
        row("getent without nslookup", Step::NameLookup, QStringLiteral("getent"),
            {QStringLiteral("/bin/getent hosts api.example")});
        row("tracepath first", Step::TraceRoute, all,
            {QStringLiteral("/bin/tracepath -n -m 30 api.example")});
        row("traceroute without tracepath", Step::TraceRoute, QStringLiteral("traceroute"),
            {QStringLiteral("/bin/traceroute -n -m 30 -w 2 api.example")});
        row("no trace route tool", Step::TraceRoute, QString(),
            {QStringLiteral("Neither tracepath nor traceroute is installed; no trace route.")});
        row("resolv.conf without resolvectl", Step::IpConfiguration, QStringLiteral("ip"),
            {QStringLiteral("/bin/ip address"), QStringLiteral("/bin/ip route"),
             QStringLiteral("read /etc/resolv.conf")});
    }

    void stepCommands()
    {
        QFETCH(int, step);
        QFETCH(QString, installed);
        QFETCH(QStringList, commands);
        QCOMPARE(
            Describe(LinuxNetworkDiagnostics::StepCommands(Step(step), QStringLiteral("api.example"),
                                                           Installed(installed.split(QLatin1Char(' '))))),
            commands);
    }

    // The commands run one after the other, each output after its line; an aborted step (here a
    // ping that would take a minute) reports nothing, also not into the next step.
    void runsCommandsInOrder()
    {
        LinuxNetworkDiagnostics diagnostics([](const QString& name) {
            if (name == QLatin1String("ping"))
                return QStringLiteral("/bin/sleep");
            return name == QLatin1String("ip") || name == QLatin1String("resolvectl")
                ? QStringLiteral("/bin/echo")
                : QString();
        });
        QSignalSpy finished(&diagnostics, &NetworkDiagnostics::StepFinished);
        diagnostics.StartStep(Step::Ping, QStringLiteral("60"));
        diagnostics.Abort();
        diagnostics.StartStep(Step::IpConfiguration, QString());
        QVERIFY(finished.wait());
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.first().first().toByteArray(),
                 QByteArray(
                     "> /bin/echo address\naddress\n> /bin/echo route\nroute\n> /bin/echo status\nstatus\n"));
    }
};

QTEST_GUILESS_MAIN(TestLinuxNetworkDiagnostics)
#include "testlinuxnetworkdiagnostics.moc"
