#include "linux/helperservicecontroller.h"

#include "linux/helperbus.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDebug>
#include <QFile>
#include <QFileDevice>

#include <utility>

namespace {

// A start waits for polkit, which may ask the user for a password.
constexpr int StartTimeoutMs = 120 * 1000;

using HelperBus::Call;

} // namespace

HelperServiceController::HelperServiceController(QString configDirectory, QString outputFile,
                                                 QDBusConnection bus, QObject* parent)
    : ServiceController(parent)
    , m_configDirectory(std::move(configDirectory))
    , m_outputFile(std::move(outputFile))
    , m_bus(std::move(bus))
{
    m_stopTimer.setSingleShot(true);
    connect(&m_stopTimer, &QTimer::timeout, this, [this] {
        qDebug() << "The helper did not report OpenVPN's end in time.";
        FinishStop(false);
    });
    if (!m_bus.isConnected())
        return;
    using namespace HelperBus;
    m_bus.connect(Service(), Path(), Interface(), QStringLiteral("TunnelOutput"), this,
                  SLOT(OnTunnelOutput(QString)));
    m_bus.connect(Service(), Path(), Interface(), QStringLiteral("TunnelEnded"), this,
                  SLOT(OnTunnelEnded(int)));
    m_bus.connect(Service(), Path(), Interface(), QStringLiteral("DnsApplied"), this,
                  SLOT(OnDnsApplied(QString, QStringList, QString)));
    m_bus.connect(Service(), Path(), Interface(), QStringLiteral("Ipv6BlockFailed"), this,
                  SLOT(OnIpv6BlockFailed(QString)));
    auto* watcher
        = new QDBusServiceWatcher(Service(), m_bus, QDBusServiceWatcher::WatchForUnregistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this, &HelperServiceController::OnHelperGone);
}

HelperServiceController::~HelperServiceController()
{
    // The helper ends the tunnel of a connection that leaves the bus; asking first is quicker.
    if (IsRunning() && !IsStopping())
        m_bus.send(Call(QStringLiteral("StopTunnel")));
}

bool HelperServiceController::IsInstalled() const
{
    if (!m_bus.isConnected())
        qDebug() << "The system bus cannot be reached:" << m_bus.lastError().message();
    return m_bus.isConnected();
}

bool HelperServiceController::Start()
{
    if (IsRunning() || !m_bus.isConnected())
        return false;
    QDBusMessage call = Call(QStringLiteral("StartTunnel"));
    call << m_configDirectory;
    m_startPending = true;
    m_managementPassword.clear();
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, StartTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        m_startPending = false;
        const QDBusPendingReply<QString> reply = *watcher;
        if (reply.isError()) {
            const QString reason = reply.error().type() == QDBusError::ServiceUnknown
                ? QStringLiteral("norvane-helper is not installed or cannot be started (%1)")
                      .arg(reply.error().message())
                : reply.error().message();
            qDebug() << "The helper did not start OpenVPN:" << reason;
            if (IsStopping())
                FinishStop(true);
            emit StartFailed(reason);
            return;
        }
        m_running = true;
        m_managementPassword = reply.value();
        // A stop asked for while the start was under way is sent now that there is a tunnel.
        if (IsStopping())
            RequestStop();
    });
    return true;
}

void HelperServiceController::Stop()
{
    if (IsStopping())
        return;
    m_stopping = true;
    m_stopTimer.start(StopLimitMs);
    if (m_running)
        RequestStop();
    else if (!m_startPending)
        QTimer::singleShot(0, this, [this] { FinishStop(true); });
}

void HelperServiceController::RequestStop()
{
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(Call(QStringLiteral("StopTunnel"))), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        if (watcher->isError()) {
            qDebug() << "The helper did not stop OpenVPN:" << watcher->error().message();
            FinishStop(false);
        }
    });
}

void HelperServiceController::FinishStop(bool stopped)
{
    if (!m_stopping)
        return;
    m_stopping = false;
    m_stopTimer.stop();
    emit StopFinished(stopped);
}

void HelperServiceController::OnTunnelOutput(const QString& lines)
{
    QFile log(m_outputFile);
    if (!log.open(QIODevice::Append))
        return;
    log.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    log.write(lines.toUtf8());
}

void HelperServiceController::OnDnsApplied(const QString& method, const QStringList& servers,
                                           const QString& error)
{
    if (method.isEmpty())
        qDebug().noquote() << "The VPN's DNS servers are not in use:" << error;
    else
        qDebug().noquote() << "DNS servers" << servers.join(QLatin1Char(' ')) << "applied through" << method;
}

void HelperServiceController::OnIpv6BlockFailed(const QString& error)
{
    qDebug().noquote() << "IPv6 is not kept inside the tunnel:" << error;
}

void HelperServiceController::OnTunnelEnded(int exitCode)
{
    qDebug() << "OpenVPN ended, exit code" << exitCode;
    m_running = false;
    m_managementPassword.clear();
    if (IsStopping())
        FinishStop(true);
    else
        emit EndedUnexpectedly(QStringLiteral("OpenVPN ended on its own, exit code %1").arg(exitCode));
}

void HelperServiceController::OnHelperGone()
{
    if (!m_running)
        return;
    qDebug() << "The helper left the system bus; its OpenVPN ended with it.";
    OnTunnelEnded(-1);
}
