#include "helperservice.h"

#include "polkitauthority.h"
#include "tunnelprocess.h"

#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>

#include <utility>

namespace {

QString ActionId(int operation)
{
    static const char* const actions[]
        = {"org.norvane.helper.start-tunnel", "org.norvane.helper.query-tunnel",
           "org.norvane.helper.stop-tunnel"};
    return QLatin1String(actions[operation]);
}

QString ErrorName(const char* name)
{
    return QLatin1String(HelperService::InterfaceName) + QStringLiteral(".Error.") + QLatin1String(name);
}

} // namespace

HelperService::HelperService(QDBusConnection bus, QString openvpnBinary, QString runtimeRoot,
                             LeakGuard::Paths leakPaths, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_openvpnBinary(std::move(openvpnBinary))
    , m_runtimeRoot(std::move(runtimeRoot))
    , m_leakPaths(std::move(leakPaths))
    , m_polkit(std::make_unique<PolkitAuthority>(m_bus))
    , m_ownerWatcher(std::make_unique<QDBusServiceWatcher>())
{
    m_ownerWatcher->setConnection(m_bus);
    m_ownerWatcher->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(m_ownerWatcher.get(), &QDBusServiceWatcher::serviceUnregistered, this,
            &HelperService::OnCallerLeft);
}

HelperService::~HelperService()
{
    // OpenVPN first: its routes go before the DNS and the IPv6 block do.
    m_tunnel.reset();
    m_leakGuard.reset();
}

QString HelperService::StartTunnel(const QString& configDirectory)
{
    Authorise(Operation::Start, configDirectory);
    return QString();
}

bool HelperService::IsTunnelRunning()
{
    Authorise(Operation::Query, QString());
    return false;
}

void HelperService::StopTunnel()
{
    Authorise(Operation::Stop, QString());
}

void HelperService::Authorise(Operation operation, const QString& configDirectory)
{
    // The reply follows polkit's answer; nothing waits for it here.
    setDelayedReply(true);
    const QDBusMessage call = message();
    const uint uid = connection().interface()->serviceUid(call.service()).value();
    m_polkit->Check(call.service(), ActionId(int(operation)),
                    [this, operation, call, uid, configDirectory](bool allowed, const QString& error) {
                        if (!allowed) {
                            qInfo("Refused %s for uid %u%s", qPrintable(ActionId(int(operation))), uid,
                                  qPrintable(error.isEmpty() ? QString() : QStringLiteral(": ") + error));
                            m_bus.send(call.createErrorReply(
                                ErrorName("NotAuthorized"),
                                QStringLiteral("Not authorised to control the tunnel%1")
                                    .arg(error.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(error))));
                            return;
                        }
                        Perform(operation, call, uid, configDirectory);
                    });
}

void HelperService::Perform(Operation operation, const QDBusMessage& call, uint uid,
                            const QString& configDirectory)
{
    const bool ownTunnel = m_tunnel && m_tunnel->Uid() == uid;
    switch (operation) {
    case Operation::Query:
        m_bus.send(call.createReply(ownTunnel && m_tunnel->IsRunning()));
        return;
    case Operation::Stop:
        if (ownTunnel)
            m_tunnel->Stop();
        m_bus.send(call.createReply());
        return;
    case Operation::Start:
        break;
    }
    if (m_tunnel && m_tunnel->IsRunning()) {
        m_bus.send(call.createErrorReply(ErrorName("Busy"),
                                         ownTunnel
                                             ? QStringLiteral("A tunnel of this user is running already")
                                             : QStringLiteral("Another user's tunnel is running")));
        return;
    }
    m_tunnel = std::make_unique<TunnelProcess>(m_openvpnBinary, m_runtimeRoot, uid);
    if (!m_tunnel->Start(configDirectory)) {
        qInfo("Refused to start a tunnel for uid %u: %s", uid, qPrintable(m_tunnel->Error()));
        m_bus.send(call.createErrorReply(ErrorName("Refused"), m_tunnel->Error()));
        m_tunnel.reset();
        return;
    }
    qInfo("Started OpenVPN for uid %u (%s)", uid, qPrintable(call.service()));
    m_owner = call.service();
    m_ownerWatcher->setWatchedServices({m_owner});
    m_leakGuard = std::make_unique<LeakGuard>(m_bus, m_leakPaths);
    connect(m_leakGuard.get(), &LeakGuard::DnsApplied, this,
            [this](const QString& method, const QStringList& servers, const QString& error) {
                SendToOwner("DnsApplied", {method, servers, error});
            });
    connect(m_tunnel.get(), &TunnelProcess::OutputReceived, this, [this](const QString& lines) {
        m_leakGuard->Feed(lines);
        SendToOwner("TunnelOutput", {lines});
    });
    connect(m_tunnel.get(), &TunnelProcess::Ended, this, &HelperService::OnTunnelEnded);
    m_bus.send(call.createReply(m_tunnel->ManagementPassword()));
    // The caller may already have gone while the tunnel started.
    if (!m_bus.interface()->isServiceRegistered(m_owner).value())
        OnCallerLeft(m_owner);
}

void HelperService::OnCallerLeft(const QString& busName)
{
    if (busName != m_owner || !m_tunnel)
        return;
    qInfo("The caller %s left the bus; stopping its tunnel", qPrintable(busName));
    m_tunnel->Stop();
}

void HelperService::OnTunnelEnded(int exitCode)
{
    qInfo("OpenVPN ended with exit code %d", exitCode);
    // Undone before the window hears of the end, so what it does next sees the system as it was.
    m_leakGuard.reset();
    SendToOwner("TunnelEnded", {exitCode});
    m_ownerWatcher->setWatchedServices({});
    m_owner.clear();
    // Deleted later: this runs inside the tunnel's own signal.
    m_tunnel.release()->deleteLater();
}

void HelperService::SendToOwner(const char* signal, const QVariantList& arguments)
{
    if (m_owner.isEmpty())
        return;
    QDBusMessage message = QDBusMessage::createTargetedSignal(
        m_owner, QLatin1String(ObjectPath), QLatin1String(InterfaceName), QLatin1String(signal));
    message.setArguments(arguments);
    m_bus.send(message);
}
