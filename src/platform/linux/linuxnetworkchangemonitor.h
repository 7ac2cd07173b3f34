#pragma once

#include "linux/defaultroutes.h"
#include "platform/networkchangemonitor.h"

#include <QDBusConnection>

#include <functional>
#include <memory>

class QSocketNotifier;

/**
 * The Linux network change monitor: route changes from the kernel over a netlink socket, and
 * logind's PrepareForSleep on the system bus. It asks the kernel for the current routes first, so
 * that only a change of the real default routes (DefaultRoutes) counts.
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
    DefaultRoutes m_defaultRoutes;
    bool m_listing = false; // the answer to the first question, the routes as they are, is read
    std::unique_ptr<QSocketNotifier> m_notifier;
};
