#pragma once

#include "platform/networkdiagnostics.h"

#include <QList>
#include <QPointer>
#include <QStringList>

#include <functional>

class QProcess;

/**
 * The support report's network checks with the tools a Linux system has: nslookup (or
 * getent hosts), ping with a bounded count, tracepath (or traceroute), and ip address, ip route
 * and the resolver state (resolvectl status, or /etc/resolv.conf). Commands run one after the
 * other as QProcesses without a shell; each one's output follows a line naming it, and a tool that
 * is not installed leaves one line saying so.
 */
class LinuxNetworkDiagnostics final : public NetworkDiagnostics
{
    Q_OBJECT

public:
    // One thing a step does: run program with arguments, read a file, or only write a note.
    struct Command
    {
        QString program;
        QStringList arguments;
        QString file;
        QString note;
    };
    // Finds an installed program by name; empty when there is none.
    using ProgramLookup = std::function<QString(const QString& name)>;

    explicit LinuxNetworkDiagnostics(ProgramLookup lookup = {}, QObject* parent = nullptr);
    ~LinuxNetworkDiagnostics() override;

    static QList<Command> StepCommands(Step step, const QString& host, const ProgramLookup& lookup);

    void StartStep(Step step, const QString& host) override;
    void Abort() override;

private:
    void RunNext();
    void OnProcessFinished();

    ProgramLookup m_lookup;
    QList<Command> m_pending;
    QByteArray m_output;
    QPointer<QProcess> m_process;
};
