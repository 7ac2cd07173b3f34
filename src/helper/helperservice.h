#pragma once

#include "leakguard.h"
#include "nfttable.h"

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
 * undoes both when OpenVPN ends, so a window that dies takes them along with its tunnel. The
 * traffic block (kill switch) outlives the tunnel, through drops and reconnects, and belongs to
 * the connection that asked for it the same way: it goes when that connection asks or leaves.
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
    // Lets traffic out only through the tunnel, to the VPN server and to the API host (and on
    // loopback) until UnblockTraffic or the caller leaves; a second call replaces the first.
    void BlockTraffic(const QString& protocol, const QString& serverAddress, uint serverPort,
                      const QStringList& apiAddresses, uint apiPort);
    void UnblockTraffic();

private:
    enum class Operation
    {
        Start,
        Query,
        Stop,
        Block,
        Unblock
    };
    void Authorise(Operation operation, const QString& configDirectory = QString());
    void Perform(Operation operation, const QDBusMessage& call, uint uid, const QString& configDirectory);
    void PerformBlock(Operation operation, const QDBusMessage& call, uint uid);
    void RemoveBlock();
    void WatchOwners();
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
    NftTable m_block;
    QString m_blockOwner;
    uint m_blockUid = 0;
    // Block and unblock calls take effect in the order they came, whatever order polkit answers in.
    quint64 m_blockCallsReceived = 0;
    quint64 m_blockCallsPerformed = 0;
};
