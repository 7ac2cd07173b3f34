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

// Whether the datagram ends the answer to a dump request.
bool EndsListing(const QByteArray& messages)
{
    auto remaining = quint32(messages.size());
    for (auto* header = reinterpret_cast<const nlmsghdr*>(messages.constData()); NLMSG_OK(header, remaining);
         header = NLMSG_NEXT(header, remaining)) {
        if (header->nlmsg_type == NLMSG_DONE || header->nlmsg_type == NLMSG_ERROR)
            return true;
    }
    return false;
}

} // namespace

LinuxNetworkChangeMonitor::LinuxNetworkChangeMonitor(QDBusConnection systemBus, QObject* parent)
    : NetworkChangeMonitor(parent)
    , m_defaultRoutes(InterfaceName)
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
        // The routes as they are: what follows is measured against them.
        struct
        {
            nlmsghdr header;
            rtmsg route;
        } request {};
        request.header.nlmsg_len = sizeof(request);
        request.header.nlmsg_type = RTM_GETROUTE;
        request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
        request.route.rtm_family = AF_UNSPEC;
        m_listing = ::send(m_socket, &request, sizeof(request), 0) == ssize_t(sizeof(request));
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

void LinuxNetworkChangeMonitor::OnNetlinkReadable()
{
    QByteArray datagram(MaxDatagram, Qt::Uninitialized);
    bool changed = false;
    for (;;) {
        const ssize_t received = ::recv(m_socket, datagram.data(), size_t(datagram.size()), 0);
        if (received <= 0)
            break;
        const QByteArray messages = datagram.left(int(received));
        const bool updated = m_defaultRoutes.Update(messages);
        if (m_listing)
            m_listing = !EndsListing(messages);
        else
            changed = updated || changed;
    }
    if (changed)
        emit NetworkChanged(QStringLiteral("the default route changed"));
}

void LinuxNetworkChangeMonitor::OnPrepareForSleep(bool sleeping)
{
    if (!sleeping)
        emit NetworkChanged(QStringLiteral("the computer resumed from suspend"));
}
