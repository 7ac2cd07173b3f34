#pragma once

#include "platform/networkchangemonitor.h"

#include <QDBusConnection>

#include <functional>
#include <memory>

class QSocketNotifier;

/**
 * The Linux network change monitor: route changes from the kernel over a netlink socket, and
 * logind's PrepareForSleep on the system bus. Only the real default route counts: the routes a
 * tunnel adds (redirect-gateway def1's two halves, the host route to the server) are not default
 * routes, and a default route through a tunnel device is the tunnel's own.
 */
class LinuxNetworkChangeMonitor final : public NetworkChangeMonitor
{
    Q_OBJECT

public:
    explicit LinuxNetworkChangeMonitor(QDBusConnection systemBus, QObject* parent = nullptr);
    ~LinuxNetworkChangeMonitor() override;

    // Whether a netlink datagram adds, replaces or removes an IPv4 or IPv6 default route of the
    // main table outside a tunnel device (interfaceName maps an interface index to its name).
    static bool ChangesDefaultRoute(const QByteArray& datagram,
                                    const std::function<QString(int)>& interfaceName);

private slots:
    void OnPrepareForSleep(bool sleeping);

private:
    void OnNetlinkReadable();

    int m_socket = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
