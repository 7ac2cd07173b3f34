#pragma once

#include "leakguard.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QObject>

#include <memory>

class PolkitAuthority;
class QDBusServiceWatcher;
class TunnelProcess;

/**
 * The helper's bus object: starts, reports and stops the caller's OpenVPN, one tunnel on the
 * machine at a time. Every call is authorised by polkit for the calling bus name before anything
 * happens; the caller's user comes from the bus, never from the call. The tunnel belongs to the
 * bus connection that started it: when that connection goes (the window ends, crashes or is
 * killed), the tunnel is stopped. Its output and its end are sent to that connection only.
 * While the tunnel runs, a LeakGuard applies the pushed DNS and keeps IPv6 inside the tunnel; it
 * undoes both when OpenVPN ends, so a window that dies takes them along with its tunnel.
 */
class HelperService final : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.norvane.Helper1")

public:
    static constexpr char ServiceName[] = "org.norvane.Helper";
    static constexpr char ObjectPath[] = "/org/norvane/Helper";
    static constexpr char InterfaceName[] = "org.norvane.Helper1";

    HelperService(QDBusConnection bus, QString openvpnBinary, QString runtimeRoot, LeakGuard::Paths leakPaths,
                  QObject* parent = nullptr);
    ~HelperService() override;

public slots:
    // Runs OpenVPN with the caller's conn.ovpn and tarnwick.crt from configDirectory; replies
    // with the management password of this run.
    QString StartTunnel(const QString& configDirectory);
    // Whether the caller's user has a tunnel running.
    bool IsTunnelRunning();
    // Asks the caller's user's tunnel to end; TunnelEnded follows.
    void StopTunnel();

private:
    enum class Operation
    {
        Start,
        Query,
        Stop
    };
    void Authorise(Operation operation, const QString& configDirectory);
    void Perform(Operation operation, const QDBusMessage& call, uint uid, const QString& configDirectory);
    void OnCallerLeft(const QString& busName);
    void OnTunnelEnded(int exitCode);
    void SendToOwner(const char* signal, const QVariantList& arguments);

    QDBusConnection m_bus;
    QString m_openvpnBinary;
    QString m_runtimeRoot;
    LeakGuard::Paths m_leakPaths;
    std::unique_ptr<PolkitAuthority> m_polkit;
    std::unique_ptr<QDBusServiceWatcher> m_ownerWatcher;
    std::unique_ptr<TunnelProcess> m_tunnel;
    std::unique_ptr<LeakGuard> m_leakGuard;
    QString m_owner;
};
