#include "leakguard.h"

#include "trafficblockrules.h"

#include <utility>

LeakGuard::LeakGuard(QDBusConnection bus, Paths paths, QObject* parent)
    : QObject(parent)
    , m_paths(std::move(paths))
    , m_resolved(std::move(bus))
    , m_resolvConf(m_paths.resolvConf, m_paths.resolvConfBackup)
    , m_ipv6Block(m_paths.nft, QLatin1String(NftTable::Ipv6BlockName))
{ }

LeakGuard::~LeakGuard()
{
    Undo();
}

void LeakGuard::Feed(const QString& lines)
{
    m_partialLine += lines.toUtf8();
    qsizetype start = 0;
    for (qsizetype end = m_partialLine.indexOf('\n'); end >= 0;
         start = end + 1, end = m_partialLine.indexOf('\n', start)) {
        if (m_reader.Feed(m_partialLine.mid(start, end - start)) == TunnelOutputReader::Event::Completed)
            Apply();
    }
    m_partialLine.remove(0, start);
}

void LeakGuard::Apply()
{
    QString error;
    if (m_ipv6Block.Replace(NftTable::Ipv6BlockChains(m_reader.Device()), error))
        qInfo("IPv6 leaves only through %s while the tunnel runs", qPrintable(m_reader.Device()));
    else
        emit Ipv6BlockFailed(error);
    // Also after a failure: part of a transaction may not stay, but the removal is harmless.
    m_ipv6Blocked = true;
    ApplyDns();
}

void LeakGuard::ApplyDns()
{
    const QStringList servers = m_reader.DnsServers();
    if (servers.isEmpty()) {
        emit DnsApplied(QString(), servers, QStringLiteral("the VPN server pushed no DNS servers"));
        return;
    }
    QString error;
    QString method;
    if (m_resolved.IsRunning()) {
        if (m_resolved.Apply(m_reader.Device(), servers, m_reader.Domains(), error))
            method = QStringLiteral("systemd-resolved");
    } else if (m_resolvConf.Apply(servers, m_reader.Domains(), error)) {
        method = QStringLiteral("resolv.conf");
    }
    if (method.isEmpty())
        qWarning("The pushed DNS servers cannot be applied: %s", qPrintable(error));
    else
        qInfo("DNS servers %s applied through %s", qPrintable(servers.join(QLatin1Char(' '))),
              qPrintable(method));
    emit DnsApplied(method, servers, error);
}

void LeakGuard::Undo()
{
    m_resolved.Revert();
    QString error;
    if (!m_resolvConf.Restore(error))
        qWarning("The previous resolv.conf cannot be restored: %s", qPrintable(error));
    if (std::exchange(m_ipv6Blocked, false) && !m_ipv6Block.Remove(error))
        qWarning("The IPv6 block cannot be removed: %s", qPrintable(error));
}

void LeakGuard::UndoLeftovers(const Paths& paths)
{
    QString error;
    ResolvConf resolvConf(paths.resolvConf, paths.resolvConfBackup);
    if (resolvConf.HasBackup()) {
        qInfo("Restoring %s left changed by an earlier run", qPrintable(paths.resolvConf));
        if (!resolvConf.Restore(error))
            qWarning("%s", qPrintable(error));
    }
    // Removing a table that is not there fails harmlessly; declaring it first makes it succeed.
    if (!NftTable(paths.nft, QLatin1String(NftTable::Ipv6BlockName)).Remove(error))
        qWarning("An earlier IPv6 block cannot be removed: %s", qPrintable(error));
    // A traffic block belongs to a window's bus connection, which did not survive the helper.
    if (!NftTable(paths.nft, QLatin1String(TrafficBlockRules::TableName)).Remove(error))
        qWarning("An earlier traffic block cannot be removed: %s", qPrintable(error));
}
