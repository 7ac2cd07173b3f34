#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

/**
 * Follows OpenVPN's output line by line for what the helper has to act on without up scripts:
 * the tunnel device's name, the DNS servers and search domains the server pushes, and the moments
 * the tunnel is complete or restarts. Pushed values come from the VPN server and end up in the
 * system's resolver configuration: only addresses that parse as such and domains of plain DNS
 * characters are kept.
 */
class TunnelOutputReader
{
public:
    enum class Event
    {
        None,
        Completed, // "Initialization Sequence Completed": routes are in place
        Restarting // OpenVPN restarts its connection; what was pushed is void
    };

    // Reads one line of output (without its line end).
    Event Feed(const QByteArray& line);

    QString Device() const { return m_device; }
    QStringList DnsServers() const { return m_dnsServers; }
    QStringList Domains() const { return m_domains; }

private:
    void ReadPushReply(const QByteArray& options);

    QString m_device;
    QStringList m_dnsServers;
    QStringList m_domains;
    bool m_pushContinues = false;
};
