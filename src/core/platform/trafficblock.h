#pragma once

#include <QObject>

/**
 * The kill switch: while blocked, the machine's traffic leaves only through the tunnel, to the
 * VPN server and to the service's API, so a drop or the countdown after it sends nothing in
 * clear. The workflow decides when (from CONNECT until the user disconnects or exits); the
 * platform layer has the system do it; tests record the calls.
 */
class TrafficBlock : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Blocks everything but the tunnel and this server (protocol "UDP" or "TCP"); a second call
    // replaces the first.
    virtual void Block(const QString& serverAddress, int port, const QString& protocol) = 0;
    virtual void Unblock() = 0;

signals:
    // The system refused or could not apply the block; error says why, for the log.
    void BlockFailed(const QString& error);
};
