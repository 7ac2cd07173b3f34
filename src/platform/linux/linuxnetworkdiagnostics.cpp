#include "linux/linuxnetworkdiagnostics.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <utility>

namespace {

LinuxNetworkDiagnostics::Command Run(const QString& program, const QStringList& arguments)
{
    return {program, arguments, QString(), QString()};
}

LinuxNetworkDiagnostics::Command Note(const QString& text)
{
    return {QString(), {}, QString(), text};
}

} // namespace

LinuxNetworkDiagnostics::LinuxNetworkDiagnostics(ProgramLookup lookup, QObject* parent)
    : NetworkDiagnostics(parent)
    , m_lookup(lookup ? std::move(lookup) : ProgramLookup([](const QString& name) {
        return QStandardPaths::findExecutable(name);
    }))
{ }

LinuxNetworkDiagnostics::~LinuxNetworkDiagnostics()
{
    Abort();
}

QList<LinuxNetworkDiagnostics::Command> LinuxNetworkDiagnostics::StepCommands(Step step, const QString& host,
                                                                              const ProgramLookup& lookup)
{
    // The first installed program of a list of alternatives.
    const auto first = [&lookup](std::initializer_list<const char*> names) -> QString {
        for (const char* name : names) {
            QString path = lookup(QLatin1String(name));
            if (!path.isEmpty())
                return path;
        }
        return QString();
    };
    switch (step) {
    case Step::NameLookup:
        if (const QString nslookup = first({"nslookup"}); !nslookup.isEmpty())
            return {Run(nslookup, {host})};
        if (const QString getent = first({"getent"}); !getent.isEmpty())
            return {Run(getent, {QStringLiteral("hosts"), host})};
        return {Note(QStringLiteral("Neither nslookup nor getent is installed; no name lookup."))};
    case Step::Ping:
        if (const QString ping = first({"ping"}); !ping.isEmpty())
            return {Run(ping,
                        {QStringLiteral("-c"), QStringLiteral("4"), QStringLiteral("-W"), QStringLiteral("2"),
                         host})};
        return {Note(QStringLiteral("ping is not installed; no ping."))};
    case Step::TraceRoute:
        if (const QString tracepath = first({"tracepath"}); !tracepath.isEmpty())
            return {Run(tracepath, {QStringLiteral("-n"), QStringLiteral("-m"), QStringLiteral("30"), host})};
        if (const QString traceroute = first({"traceroute"}); !traceroute.isEmpty())
            return {Run(traceroute,
                        {QStringLiteral("-n"), QStringLiteral("-m"), QStringLiteral("30"),
                         QStringLiteral("-w"), QStringLiteral("2"), host})};
        return {Note(QStringLiteral("Neither tracepath nor traceroute is installed; no trace route."))};
    case Step::IpConfiguration:
        break;
    }
    QList<Command> commands;
    if (const QString ip = first({"ip"}); !ip.isEmpty())
        commands << Run(ip, {QStringLiteral("address")}) << Run(ip, {QStringLiteral("route")});
    else
        commands << Note(QStringLiteral("ip is not installed; no addresses and routes."));
    if (const QString resolvectl = first({"resolvectl"}); !resolvectl.isEmpty())
        commands << Run(resolvectl, {QStringLiteral("status")});
    else
        commands << Command {QString(), {}, QStringLiteral("/etc/resolv.conf"), QString()};
    return commands;
}

void LinuxNetworkDiagnostics::StartStep(Step step, const QString& host)
{
    Abort();
    m_pending = StepCommands(step, host, m_lookup);
    m_output.clear();
    RunNext();
}

void LinuxNetworkDiagnostics::Abort()
{
    m_pending.clear();
    if (!m_process)
        return;
    QProcess* process = m_process;
    m_process.clear();
    process->disconnect(this);
    // The process object goes once the killed program has been reaped, so nothing waits here.
    connect(process, &QProcess::finished, process, &QObject::deleteLater);
    process->kill();
}

void LinuxNetworkDiagnostics::RunNext()
{
    while (!m_pending.isEmpty()) {
        const Command command = m_pending.takeFirst();
        if (!command.note.isEmpty()) {
            m_output += command.note.toUtf8() + '\n';
        } else if (!command.file.isEmpty()) {
            m_output += "> " + command.file.toUtf8() + '\n';
            QFile file(command.file);
            m_output += file.open(QIODevice::ReadOnly) ? file.readAll() : "(cannot be read)\n";
        } else {
            m_output += "> "
                + (QStringList(command.program) + command.arguments).join(QLatin1Char(' ')).toUtf8() + '\n';
            auto* process = new QProcess(this);
            m_process = process;
            process->setProcessChannelMode(QProcess::MergedChannels);
            // Support staff read the report: tools answer in English, whatever the user's locale.
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
            process->setProcessEnvironment(environment);
            connect(process, &QProcess::finished, this, &LinuxNetworkDiagnostics::OnProcessFinished);
            connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
                if (error == QProcess::FailedToStart && process == m_process) {
                    m_output += "(could not be started: " + process->errorString().toUtf8() + ")\n";
                    OnProcessFinished();
                }
            });
            process->start(command.program, command.arguments);
            return;
        }
    }
    emit StepFinished(m_output);
}

void LinuxNetworkDiagnostics::OnProcessFinished()
{
    QProcess* process = m_process;
    if (!process)
        return;
    m_process.clear();
    m_output += process->readAll();
    if (!m_output.endsWith('\n'))
        m_output += '\n';
    process->deleteLater();
    RunNext();
}
