#include "linux/linuxnetworkchangemonitor.h"

#include <QDBusError>
#include <QDebug>
#include <QSocketNotifier>

#include <cstring>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int MaxDatagram = 64 * 1024;

QString InterfaceName(int index)
{
    char name[IF_NAMESIZE] = {};
    return ::if_indextoname(unsigned(index), name) ? QString::fromLatin1(name) : QString();
}

} // namespace

LinuxNetworkChangeMonitor::LinuxNetworkChangeMonitor(QDBusConnection systemBus, QObject* parent)
    : NetworkChangeMonitor(parent)
{
    m_socket = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    sockaddr_nl address {};
    address.nl_family = AF_NETLINK;
    address.nl_groups = RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE;
    if (m_socket < 0 || ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        qDebug() << "Route changes cannot be watched:" << std::strerror(errno);
    } else {
        m_notifier = std::make_unique<QSocketNotifier>(m_socket, QSocketNotifier::Read);
        connect(m_notifier.get(), &QSocketNotifier::activated, this,
                &LinuxNetworkChangeMonitor::OnNetlinkReadable);
    }
    if (!systemBus.connect(QStringLiteral("org.freedesktop.login1"),
                           QStringLiteral("/org/freedesktop/login1"),
                           QStringLiteral("org.freedesktop.login1.Manager"),
                           QStringLiteral("PrepareForSleep"), this, SLOT(OnPrepareForSleep(bool))))
        qDebug() << "Suspend and resume cannot be watched:" << systemBus.lastError().message();
}

LinuxNetworkChangeMonitor::~LinuxNetworkChangeMonitor()
{
    m_notifier.reset();
    if (m_socket >= 0)
        ::close(m_socket);
}

bool LinuxNetworkChangeMonitor::ChangesDefaultRoute(const QByteArray& datagram,
                                                    const std::function<QString(int)>& interfaceName)
{
    bool changes = false;
    auto remaining = quint32(datagram.size());
    for (auto* header = reinterpret_cast<const nlmsghdr*>(datagram.constData()); NLMSG_OK(header, remaining);
         header = NLMSG_NEXT(header, remaining)) {
        if (header->nlmsg_type != RTM_NEWROUTE && header->nlmsg_type != RTM_DELROUTE)
            continue;
        if (header->nlmsg_len < NLMSG_LENGTH(sizeof(rtmsg)))
            continue;
        const auto* route = static_cast<const rtmsg*>(NLMSG_DATA(header));
        if (route->rtm_dst_len != 0 || route->rtm_table != RT_TABLE_MAIN
            || (route->rtm_family != AF_INET && route->rtm_family != AF_INET6))
            continue;
        int device = 0;
        int attributesLength = int(RTM_PAYLOAD(header));
        for (auto* attribute = RTM_RTA(route); RTA_OK(attribute, attributesLength);
             attribute = RTA_NEXT(attribute, attributesLength)) {
            if (attribute->rta_type == RTA_OIF && RTA_PAYLOAD(attribute) >= sizeof(int))
                std::memcpy(&device, RTA_DATA(attribute), sizeof(int));
        }
        // A default route through a tunnel belongs to that tunnel, not to the network under it.
        const QString name = device > 0 ? interfaceName(device) : QString();
        if (name.startsWith(QLatin1String("tun")) || name.startsWith(QLatin1String("tap")))
            continue;
        changes = true;
    }
    return changes;
}

void LinuxNetworkChangeMonitor::OnNetlinkReadable()
{
    QByteArray datagram(MaxDatagram, Qt::Uninitialized);
    bool changed = false;
    for (;;) {
        const ssize_t received = ::recv(m_socket, datagram.data(), size_t(datagram.size()), 0);
        if (received <= 0)
            break;
        changed = ChangesDefaultRoute(datagram.left(received), InterfaceName) || changed;
    }
    if (changed)
        emit NetworkChanged(QStringLiteral("the default route changed"));
}

void LinuxNetworkChangeMonitor::OnPrepareForSleep(bool sleeping)
{
    if (!sleeping)
        emit NetworkChanged(QStringLiteral("the computer resumed from suspend"));
}
