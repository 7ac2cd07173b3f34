#pragma once

#include "nfttable.h"
#include "resolvconf.h"
#include "resolveddns.h"
#include "tunneloutputreader.h"

#include <QDBusConnection>
#include <QObject>

/**
 * What the helper does to the system beside OpenVPN while a tunnel runs, and undoes after: once
 * OpenVPN reports the tunnel complete, the pushed DNS servers are applied (systemd-resolved where
 * it runs, else resolv.conf) and IPv6 is kept from leaving outside the tunnel device. Undo() runs
 * when OpenVPN ends, whatever ended it; UndoLeftovers() at helper start covers a helper that was
 * killed before it could, and removes a traffic block it left too.
 */
class LeakGuard final : public QObject
{
    Q_OBJECT

public:
    struct Paths
    {
        QString resolvConf;
        QString resolvConfBackup;
        QString nft;
    };

    LeakGuard(QDBusConnection bus, Paths paths, QObject* parent = nullptr);
    ~LeakGuard() override;

    // Reads OpenVPN's (masked) output as it comes.
    void Feed(const QString& lines);
    void Undo();

    static void UndoLeftovers(const Paths& paths);

signals:
    // How the pushed servers were applied: "systemd-resolved", "resolv.conf", or empty when the
    // server pushed none or applying failed (error says why).
    void DnsApplied(const QString& method, const QStringList& servers, const QString& error);
    // IPv6 could not be kept inside the tunnel (nft missing or refusing); error says why.
    void Ipv6BlockFailed(const QString& error);

private:
    void Apply();
    void ApplyDns();

    Paths m_paths;
    TunnelOutputReader m_reader;
    ResolvedDns m_resolved;
    ResolvConf m_resolvConf;
    NftTable m_ipv6Block;
    QByteArray m_partialLine;
    bool m_ipv6Blocked = false;
};
