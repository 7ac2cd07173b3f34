#include "linux/openvpnprocesscontroller.h"

#include "support/privatefile.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <csignal>
#include <sys/types.h>
#include <utility>

OpenVpnProcessController::OpenVpnProcessController(QString binary, QString configDirectory,
                                                   QString outputFile, QObject* parent)
    : ServiceController(parent)
    , m_binary(std::move(binary))
    , m_configDirectory(std::move(configDirectory))
    , m_outputFile(std::move(outputFile))
{
    m_stopTimer.setInterval(DefaultStopCheckIntervalMs);
    connect(&m_stopTimer, &QTimer::timeout, this, &OpenVpnProcessController::OnStopCheck);
}

OpenVpnProcessController::~OpenVpnProcessController()
{
    // OpenVPN restores the routes after SIGTERM, which takes a moment. Waiting for that here
    // would block the thread, and a child process would be killed with its QProcess; so openvpn
    // runs detached and is only asked to end. Should it hang, the next start finds it through
    // the pid file and stops it with the usual SIGTERM, then SIGKILL.
    if (!IsStopping() && IsRunning())
        SendSignal(SIGTERM);
}

QString OpenVpnProcessController::FindBinary(const QString& configured)
{
    if (!configured.isEmpty())
        return configured;
    QString found = QStandardPaths::findExecutable(QStringLiteral("openvpn"));
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(QStringLiteral("openvpn"),
                                               {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    return found.isEmpty() ? QStringLiteral("/usr/sbin/openvpn") : found;
}

QString OpenVpnProcessController::PidFilePath() const
{
    return m_configDirectory + QStringLiteral("openvpn.pid");
}

QStringList OpenVpnProcessController::Arguments() const
{
    return {QStringLiteral("--config"), m_configDirectory + QStringLiteral("conn.ovpn"),
            QStringLiteral("--cd"), m_configDirectory};
}

void OpenVpnProcessController::SetStopTiming(int intervalMs, int checkLimit)
{
    m_stopTimer.setInterval(intervalMs);
    m_stopCheckLimit = checkLimit;
}

bool OpenVpnProcessController::IsInstalled() const
{
    const QFileInfo info(m_binary);
    return info.isFile() && info.isExecutable();
}

qint64 OpenVpnProcessController::RunningPid() const
{
    QFile pidFile(PidFilePath());
    if (!pidFile.open(QIODevice::ReadOnly))
        return 0;
    bool ok = false;
    const qint64 pid = pidFile.readAll().trimmed().toLongLong(&ok);
    if (!ok || pid <= 0)
        return 0;
    // Only a process running our own configuration counts: the pid may have been reused.
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!cmdline.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray expected = "--config" + QByteArray(1, '\0') + Arguments().at(1).toUtf8() + '\0';
    if (!cmdline.readAll().contains(expected))
        return 0;
    // An ended openvpn stays a zombie until its new parent reaps it.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray text = stat.readAll();
        const qsizetype afterName = text.lastIndexOf(')');
        if (afterName >= 0 && text.mid(afterName + 2, 1) == "Z")
            return 0;
    }
    return pid;
}

bool OpenVpnProcessController::IsRunning() const
{
    return RunningPid() != 0;
}

bool OpenVpnProcessController::Start()
{
    if (!IsInstalled() || IsRunning())
        return false;
    // Created owner-only before openvpn writes to it; appending keeps the permissions.
    PrivateFile::Write(m_outputFile, QByteArray());
    QProcess process;
    process.setProgram(m_binary);
    process.setArguments(Arguments());
    process.setStandardOutputFile(m_outputFile, QIODevice::Append);
    process.setStandardErrorFile(m_outputFile, QIODevice::Append);
    process.setStandardInputFile(QProcess::nullDevice());
    qint64 pid = 0;
    if (!process.startDetached(&pid)) {
        qDebug() << "OpenVPN could not be run:" << process.errorString();
        return false;
    }
    PrivateFile::Write(PidFilePath(), QByteArray::number(pid) + '\n');
    return true;
}

void OpenVpnProcessController::SendSignal(int signalNumber) const
{
    const qint64 pid = RunningPid();
    if (pid > 0)
        ::kill(static_cast<pid_t>(pid), signalNumber);
}

void OpenVpnProcessController::Stop()
{
    if (IsStopping())
        return;
    m_stopReportPending = true;
    if (!IsRunning()) {
        QTimer::singleShot(0, this, [this] { ReportStop(true); });
        return;
    }
    SendSignal(SIGTERM);
    m_stopChecks = 0;
    m_stopTimer.start();
}

void OpenVpnProcessController::OnStopCheck()
{
    if (!IsRunning()) {
        m_stopTimer.stop();
        QFile::remove(PidFilePath());
        ReportStop(true);
        return;
    }
    if (++m_stopChecks < m_stopCheckLimit)
        return;
    m_stopTimer.stop();
    qDebug() << "OpenVPN did not end after SIGTERM, sending SIGKILL.";
    SendSignal(SIGKILL);
    ReportStop(false);
}

void OpenVpnProcessController::ReportStop(bool stopped)
{
    if (!m_stopReportPending)
        return;
    m_stopReportPending = false;
    emit StopFinished(stopped);
}
