#pragma once

#include <QObject>

/**
 * Tells the workflow that the network under the tunnel changed in a way the tunnel does not
 * survive: the machine resumed from suspend, or the default route of the real network changed
 * (another network, another gateway). OpenVPN would notice only when its keepalive runs out; the
 * workflow takes the tunnel as dropped at once. The platform layer watches; tests emit.
 */
class NetworkChangeMonitor : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    // reason says what changed, for the log.
    void NetworkChanged(const QString& reason);
};
