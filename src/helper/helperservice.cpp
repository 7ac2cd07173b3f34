#include "helperservice.h"

#include "polkitauthority.h"
#include "trafficblockrules.h"
#include "tunnelprocess.h"

#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>

#include <utility>

namespace {

QString ActionId(int operation)
{
    static const char* const actions[]
        = {"org.norvane.helper.start-tunnel", "org.norvane.helper.query-tunnel",
           "org.norvane.helper.stop-tunnel", "org.norvane.helper.block-traffic",
           "org.norvane.helper.block-traffic"};
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
    , m_block(m_leakPaths.nft, QLatin1String(TrafficBlockRules::TableName))
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
    RemoveBlock();
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

void HelperService::BlockTraffic(const QString&, const QString&, uint, const QStringList&, uint)
{
    // The arguments are read from the call once polkit has allowed it.
    Authorise(Operation::Block);
}

void HelperService::UnblockTraffic()
{
    Authorise(Operation::Unblock);
}

void HelperService::Authorise(Operation operation, const QString& configDirectory)
{
    // The reply follows polkit's answer; nothing waits for it here.
    setDelayedReply(true);
    const QDBusMessage call = message();
    const uint uid = connection().interface()->serviceUid(call.service()).value();
    const quint64 blockCall
        = operation == Operation::Block || operation == Operation::Unblock ? ++m_blockCallsReceived : 0;
    m_polkit->Check(
        call.service(), ActionId(int(operation)),
        [this, operation, call, uid, configDirectory, blockCall](bool allowed, const QString& error) {
            if (!allowed) {
                qInfo("Refused %s for uid %u%s", qPrintable(ActionId(int(operation))), uid,
                      qPrintable(error.isEmpty() ? QString() : QStringLiteral(": ") + error));
                m_bus.send(call.createErrorReply(
                    ErrorName("NotAuthorized"),
                    QStringLiteral("Not authorised to control the tunnel%1")
                        .arg(error.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(error))));
                return;
            }
            if (blockCall == 0) {
                Perform(operation, call, uid, configDirectory);
            } else if (blockCall < m_blockCallsPerformed) {
                // A later call of the two has taken effect already.
                m_bus.send(call.createReply());
            } else {
                m_blockCallsPerformed = blockCall;
                PerformBlock(operation, call, uid);
            }
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
    case Operation::Block:
    case Operation::Unblock:
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
    WatchOwners();
    m_leakGuard = std::make_unique<LeakGuard>(m_bus, m_leakPaths);
    connect(m_leakGuard.get(), &LeakGuard::DnsApplied, this,
            [this](const QString& method, const QStringList& servers, const QString& error) {
                SendToOwner("DnsApplied", {method, servers, error});
            });
    connect(m_leakGuard.get(), &LeakGuard::Ipv6BlockFailed, this, [this](const QString& error) {
        qWarning("IPv6 cannot be kept inside the tunnel: %s", qPrintable(error));
        SendToOwner("Ipv6BlockFailed", {error});
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

void HelperService::PerformBlock(Operation operation, const QDBusMessage& call, uint uid)
{
    const bool othersBlock = !m_blockOwner.isEmpty() && m_blockUid != uid;
    if (operation == Operation::Unblock) {
        if (!othersBlock)
            RemoveBlock();
        m_bus.send(call.createReply());
        return;
    }
    if (othersBlock) {
        m_bus.send(
            call.createErrorReply(ErrorName("Busy"), QStringLiteral("Another user blocks the traffic")));
        return;
    }
    const QVariantList arguments = call.arguments();
    QString error;
    const auto rules = arguments.size() == 5
        ? TrafficBlockRules::Parse(arguments[0].toString(), arguments[1].toString(), arguments[2].toUInt(),
                                   arguments[3].toStringList(), arguments[4].toUInt(), error)
        : std::nullopt;
    if (!rules) {
        m_bus.send(call.createErrorReply(ErrorName("Refused"), QStringLiteral("Refused: %1").arg(error)));
        return;
    }
    if (!m_block.Replace(rules->Chains(), error)) {
        qWarning("Traffic cannot be blocked: %s", qPrintable(error));
        // A failed transaction leaves nothing; the old table, if any, stays until removed.
        m_bus.send(call.createErrorReply(ErrorName("Failed"), error));
        return;
    }
    qInfo("Traffic blocked for uid %u except: %s", uid, qPrintable(rules->Description()));
    m_blockOwner = call.service();
    m_blockUid = uid;
    WatchOwners();
    m_bus.send(call.createReply());
    if (!m_bus.interface()->isServiceRegistered(m_blockOwner).value())
        OnCallerLeft(m_blockOwner);
}

void HelperService::RemoveBlock()
{
    if (m_blockOwner.isEmpty())
        return;
    QString error;
    if (m_block.Remove(error))
        qInfo("Traffic no longer blocked");
    else
        qWarning("The traffic block cannot be removed: %s", qPrintable(error));
    m_blockOwner.clear();
    WatchOwners();
}

void HelperService::WatchOwners()
{
    QStringList owners;
    for (const QString& owner : {m_owner, m_blockOwner})
        if (!owner.isEmpty() && !owners.contains(owner))
            owners << owner;
    m_ownerWatcher->setWatchedServices(owners);
}

void HelperService::OnCallerLeft(const QString& busName)
{
    if (busName == m_blockOwner) {
        qInfo("The caller %s left the bus; removing its traffic block", qPrintable(busName));
        RemoveBlock();
    }
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
    m_owner.clear();
    WatchOwners();
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
