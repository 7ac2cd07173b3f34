#include "linux/linuxnetworkdiagnostics.h"

#include <QSignalSpy>
#include <QTest>

namespace {

using Command = LinuxNetworkDiagnostics::Command;
using Step = NetworkDiagnostics::Step;

Command Run(const QString& program, const QStringList& arguments)
{
    return {program, arguments, QString(), QString()};
}

// Programs named in installed are found under /bin.
LinuxNetworkDiagnostics::ProgramLookup Installed(const QStringList& installed)
{
    return [installed](const QString& name) {
        return installed.contains(name) ? QStringLiteral("/bin/") + name : QString();
    };
}

} // namespace

class TestLinuxNetworkDiagnostics final : public QObject
{
    Q_OBJECT

private slots:
    void stepCommands_data()
    {
        const QString host = QStringLiteral("api.example");
        QTest::addColumn<int>("step");
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<QList<Command>>("commands");
        const QStringList all
            = {QStringLiteral("nslookup"),  QStringLiteral("getent"),     QStringLiteral("ping"),
               QStringLiteral("tracepath"), QStringLiteral("traceroute"), QStringLiteral("ip"),
               QStringLiteral("resolvectl")};
        QTest::newRow("nslookup") << int(Step::NameLookup) << all
                                  << QList<Command> {Run(QStringLiteral("/bin/nslookup"), {host})};
        QTest::newRow("getent without nslookup")
            << int(Step::NameLookup) << QStringList {QStringLiteral("getent")}
            << QList<Command> {Run(QStringLiteral("/bin/getent"), {QStringLiteral("hosts"), host})};
        QTest::newRow("ping, bounded")
            << int(Step::Ping) << all
            << QList<Command> {Run(QStringLiteral("/bin/ping"),
                                   {QStringLiteral("-c"), QStringLiteral("4"), QStringLiteral("-W"),
                                    QStringLiteral("2"), host})};
        QTest::newRow("tracepath first")
            << int(Step::TraceRoute) << all
            << QList<Command> {Run(QStringLiteral("/bin/tracepath"),
                                   {QStringLiteral("-n"), QStringLiteral("-m"), QStringLiteral("30"), host})};
        QTest::newRow("traceroute without tracepath")
            << int(Step::TraceRoute) << QStringList {QStringLiteral("traceroute")}
            << QList<Command> {Run(QStringLiteral("/bin/traceroute"),
                                   {QStringLiteral("-n"), QStringLiteral("-m"), QStringLiteral("30"),
                                    QStringLiteral("-w"), QStringLiteral("2"), host})};
        QTest::newRow("no trace route tool")
            << int(Step::TraceRoute) << QStringList()
            << QList<Command> {
                   {QString(),
                    {},
                    QString(),
                    QStringLiteral("Neither tracepath nor traceroute is installed; no trace route.")}};
        QTest::newRow("ip and resolvectl")
            << int(Step::IpConfiguration) << all
            << QList<Command> {Run(QStringLiteral("/bin/ip"), {QStringLiteral("address")}),
                               Run(QStringLiteral("/bin/ip"), {QStringLiteral("route")}),
                               Run(QStringLiteral("/bin/resolvectl"), {QStringLiteral("status")})};
        QTest::newRow("resolv.conf without resolvectl")
            << int(Step::IpConfiguration) << QStringList {QStringLiteral("ip")}
            << QList<Command> {Run(QStringLiteral("/bin/ip"), {QStringLiteral("address")}),
                               Run(QStringLiteral("/bin/ip"), {QStringLiteral("route")}),
                               {QString(), {}, QStringLiteral("/etc/resolv.conf"), QString()}};
    }

    void stepCommands()
    {
        QFETCH(int, step);
        QFETCH(QStringList, installed);
        QFETCH(QList<Command>, commands);
        QCOMPARE(LinuxNetworkDiagnostics::StepCommands(Step(step), QStringLiteral("api.example"),
                                                       Installed(installed)),
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
