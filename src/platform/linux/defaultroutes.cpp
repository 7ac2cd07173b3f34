#include "linux/defaultroutes.h"

#include <cstring>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <utility>

DefaultRoutes::DefaultRoutes(InterfaceName interfaceName)
    : m_interfaceName(std::move(interfaceName))
{ }

bool DefaultRoutes::Update(const QByteArray& datagram)
{
    bool changed = false;
    auto remaining = quint32(datagram.size());
    for (auto* header = reinterpret_cast<const nlmsghdr*>(datagram.constData()); NLMSG_OK(header, remaining);
         header = NLMSG_NEXT(header, remaining)) {
        if ((header->nlmsg_type != RTM_NEWROUTE && header->nlmsg_type != RTM_DELROUTE)
            || header->nlmsg_len < NLMSG_LENGTH(sizeof(rtmsg)))
            continue;
        const auto* route = static_cast<const rtmsg*>(NLMSG_DATA(header));
        if (route->rtm_dst_len != 0 || route->rtm_table != RT_TABLE_MAIN
            || (route->rtm_family != AF_INET && route->rtm_family != AF_INET6))
            continue;
        int device = 0;
        QByteArray key(reinterpret_cast<const char*>(&route->rtm_family), 1);
        auto attributesLength = int(RTM_PAYLOAD(header));
        for (auto* attribute = RTM_RTA(route); RTA_OK(attribute, attributesLength);
             attribute = RTA_NEXT(attribute, attributesLength)) {
            const QByteArray value(static_cast<const char*>(RTA_DATA(attribute)),
                                   int(RTA_PAYLOAD(attribute)));
            if (attribute->rta_type == RTA_OIF && value.size() >= int(sizeof(int)))
                std::memcpy(&device, value.constData(), sizeof(int));
            if (attribute->rta_type == RTA_OIF || attribute->rta_type == RTA_GATEWAY
                || attribute->rta_type == RTA_PRIORITY)
                key += char(attribute->rta_type) + value;
        }
        const QString name = device > 0 ? m_interfaceName(device) : QString();
        if (name.startsWith(QLatin1String("tun")) || name.startsWith(QLatin1String("tap")))
            continue;
        if (header->nlmsg_type == RTM_NEWROUTE) {
            if (!m_routes.contains(key)) {
                m_routes.insert(key);
                changed = true;
            }
        } else {
            changed = m_routes.remove(key) || changed;
        }
    }
    return changed;
}
