#pragma once

#include <QDBusConnection>
#include <QString>
#include <QStringList>

/**
 * Gives the tunnel device the pushed DNS servers through systemd-resolved's D-Bus interface: the
 * servers per link, the routing domain "~." so the link takes every query that no more specific
 * link claims, and the link as default route. resolved forgets a link's settings when the device
 * goes; Revert() undoes them earlier, for a tunnel whose device outlives the connection.
 */
class ResolvedDns
{
public:
    static constexpr char ServiceName[] = "org.freedesktop.resolve1";

    explicit ResolvedDns(QDBusConnection bus);

    // Whether resolved is on the bus the helper serves on.
    bool IsRunning() const;
    bool Apply(const QString& device, const QStringList& servers, const QStringList& domains, QString& error);
    void Revert();

private:
    bool Call(const QString& method, const QVariantList& arguments, QString& error) const;

    QDBusConnection m_bus;
    int m_linkIndex = 0;
};
