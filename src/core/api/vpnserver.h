#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

// One endpoint of a VPN server (address, port and transport), as the whole client passes it
// around: catalog, list model, icons and connection. A server with several ports gives
// several records.
struct VPNServer
{
    enum Protocol
    {
        Tcp = 0,
        Udp = 1
    };

    QString description;
    QString name;
    int protocol = Udp;
    int port = 0;
    QString address;
    bool available = true;
    bool favorite = false;
    bool anchored = false;
    bool preferable = false;
    bool pointToPoint = false;
    int loadPercentage = 0;

    bool operator==(const VPNServer& other) const
    {
        return description == other.description && name == other.name && protocol == other.protocol
            && port == other.port && address == other.address && available == other.available
            && favorite == other.favorite && anchored == other.anchored && preferable == other.preferable
            && pointToPoint == other.pointToPoint && loadPercentage == other.loadPercentage;
    }
    bool operator!=(const VPNServer& other) const { return !(*this == other); }
};

Q_DECLARE_METATYPE(VPNServer)
