#pragma once

#include "support/desktopproxy.h"
#include "tunnel/openvpntimings.h"

#include <QHostInfo>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <utility>

class ISystemServices;
class OpenVpnMgmt;
class QTcpSocket;
struct VPNSettings;

/**
 * The one object through which the program opens, watches and closes the VPN tunnel: it keeps
 * the connection parameters and credentials, writes the OpenVPN configuration, reacts to what
 * OpenVPN reports over the management interface, and tells the workflow what happened.
 * Starting and stopping the OpenVPN program is platform work left to the derived class.
 */
class OpenVpnGeneric : public QObject
{
    Q_OBJECT

public:
    static constexpr quint16 DefaultChangeIpPort = 9988;
    // User name and password of the point-to-point connection.
    static QString PtpCredential();

    OpenVpnGeneric(VPNSettings& settings, const ISystemServices& services, QObject* parent = nullptr);
    ~OpenVpnGeneric() override;

    void SetConfigFilePath(const QString& path) { m_configFilePath = path; }
    QString ConfigFilePath() const { return m_configFilePath; }
    QString ProxyAuthFilePath() const { return m_configFilePath + QStringLiteral(".auth"); }
    void SetCredentials(const QString& userName, const QString& password);
    // Address of the point-to-point server (a deployment value, given by start-up).
    void SetPtpServer(const QString& address) { m_ptpServer = address; }
    // Where the "Autodetect" proxy setting finds the proxy a TCP connection goes through.
    void SetDesktopProxy(DesktopProxy desktopProxy) { m_desktopProxy = std::move(desktopProxy); }

    void ConnectToServer(const QString& serverAddress, int port, const QString& protocol);
    void DisconnectFromServer();
    // Takes the tunnel down for the program's exit and emits DisconnectedOnExit() once it is
    // down: after OpenVPN has reported its end (or the disconnect deadline has passed), or
    // directly from within this call when there is no tunnel to wait for. Connect before
    // calling. A call while an exit is under way joins it: one DisconnectedOnExit() for both.
    void DisconnectOnExit();
    void ConnectPtPServer();
    void DisconnectPtPServer();
    void ChangeIp();

    // Writes the configuration file; ConfigGenerated() follows (after the mail server lookup
    // when mail routes are wanted).
    void GenerateConfig();
    void ParseConnectedState(const QString& message);

    bool IsConnected() const { return m_connected; }
    bool IsConnecting() const { return m_connecting; }
    bool ServerReachable() const { return m_serverReachable; }
    bool ServiceOk() const { return m_serviceOk; }
    bool IsPtpMode() const { return m_ptpMode; }
    bool IsManagementActive() const { return m_managementActive; }
    QString InternalServerIp() const { return m_internalServerIp; }
    QString FirstIpInRange() const { return m_firstIpInRange; }
    QString ServerAddress() const { return m_serverAddress; }
    int Port() const { return m_port; }
    QString Protocol() const { return m_protocol; }
    // Where OpenVPN's own packets go for the connection under way: the proxy when the
    // configuration names one, else the server.
    QString FirstHopAddress() const { return m_firstHopAddress; }
    int FirstHopPort() const { return m_firstHopPort; }

    const OpenVpnTimings& Timings() const { return m_timings; }
    void SetTimings(const OpenVpnTimings& timings) { m_timings = timings; }
    quint16 ManagementPort() const { return m_managementPort; }
    void SetManagementPort(quint16 port);
    void SetChangeIpPort(quint16 port) { m_changeIpPort = port; }
    OpenVpnMgmt* Management() const { return m_management.get(); }

signals:
    void Connected();
    void Connecting();
    void Disconnected();
    void ConnectedPtP();
    void ConnectingPtP();
    void DisconnectedPtP();
    void DisconnectedOnExit();
    void ConfigGenerated();
    void ChangeIpMessageSent();
    void ChangeIpMessageError();
    // OpenVPN ends because of text (its ">FATAL:" message); the end itself follows.
    void FatalErrorReported(const QString& text);

public slots:
    void ProcessManagementOutput(const QString& message);
    // The management connection failed or closed: the end of a tunnel whose session was up.
    virtual void OnManagementSocketError();
    void SetRoutesToSMTP(const QHostInfo& host);
    void ConnectedSignal();
    // Every end of the tunnel passes through here: it ends the wait for a reported end and
    // completes an exit under way.
    void DisconnectedSignal();
    virtual void DoConnect() = 0;
    // Returns at once. An implementation that expects OpenVPN to report its end calls
    // AwaitReportedEnd(); otherwise the tunnel counts as down when this returns.
    virtual void DoDisconnect() = 0;

protected:
    virtual void StopService() = 0;
    // Whether OpenVPN was asked to end since it started: its management session closing then is
    // the answer, not a failure.
    void SetEndAsked(bool asked) { m_endAsked = asked; }

    void SetManagement(std::unique_ptr<OpenVpnMgmt> management);
    // A failed start: the workflow learns of it through the disconnected signal a little later.
    void ReportStartFailure();
    void SetConnecting(bool connecting) { m_connecting = connecting; }
    void SetServiceOk(bool ok) { m_serviceOk = ok; }
    void ClearTunnelFlags();
    // Gives OpenVPN the timings' disconnect wait to report its end; after that the tunnel is
    // taken as down. A wait already running keeps its deadline; a new attempt cancels it.
    void AwaitReportedEnd();
    // For an implementation whose OpenVPN cannot report its end (no management session yet):
    // the tunnel of the attempt under way is down now, and the workflow learns it at once.
    void ReportEndNow();
    // OpenVPN ended without being asked to: an attempt or tunnel still open ends as a service
    // problem, reported once.
    void ReportServiceEnded(const QString& reason);
    // Drops the result of a mail server lookup still under way, so it cannot start OpenVPN.
    void CancelPendingLookup();
    const ISystemServices& Services() const { return m_services; }

private:
    void BeginAttempt();
    void ProcessManagementLine(const QString& line);
    void OnEndDeadlinePassed();
    void OnAttemptLimitPassed();
    void OnChangeIpConnected();
    void OnChangeIpFailed(const QString& errorText);

    VPNSettings& m_settings;
    const ISystemServices& m_services;
    std::unique_ptr<OpenVpnMgmt> m_management;
    QString m_internalServerIp;
    QString m_firstIpInRange;
    std::unique_ptr<QTcpSocket> m_changeIpSocket;
    QString m_userName;
    QString m_password;
    QString m_configFilePath;
    QString m_ptpServer;
    DesktopProxy m_desktopProxy;
    bool m_connected = false;
    bool m_connecting = false;
    bool m_serverReachable = true;
    bool m_serviceOk = true;
    bool m_ptpMode = false;
    bool m_managementActive = false;
    // A TLS error or the loss of the established tunnel ends the attempt: OpenVPN's next
    // hold of that attempt is not released.
    bool m_attemptEnded = false;
    bool m_endAsked = false;
    QString m_protocol;
    QString m_serverAddress;
    int m_port = 0;
    QString m_firstHopAddress;
    int m_firstHopPort = 0;
    int m_lookupId = -1;
    QTimer m_failureSignalTimer;
    QTimer m_endDeadline;
    QTimer m_attemptLimit;
    // From the start of an attempt until its end is reported (Disconnected or DisconnectedPtP).
    bool m_tunnelOpen = false;
    bool m_exitPending = false;
    OpenVpnTimings m_timings;
    quint16 m_managementPort;
    quint16 m_changeIpPort = DefaultChangeIpPort;
};
