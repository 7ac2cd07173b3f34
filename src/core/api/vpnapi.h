#pragma once

#include "api/vpnapicreatesupportticketresponse.h"
#include "api/vpnapigetassignedaddressresponse.h"
#include "api/vpnapigetrequestentityipresponse.h"
#include "api/vpnapigetuserinforesponse.h"
#include "api/vpnapiserverlistresponse.h"
#include "api/vpnmessagequeue.h"

#include <QObject>

#include <memory>

struct VPNSettings;

/**
 * The client of the service's script API: one operation per script, one response object per
 * script reused for every call, and a completion slot per script that announces the result.
 *
 * Results leave through signals (server lists, anchored address, public address, ticket) so
 * that the server catalog, the IP manager and the help dialog stay unknown to this class;
 * the response objects are readable too.
 */
class VPNApi : public QObject
{
    Q_OBJECT
public:
    VPNApi(QString host, QString apiKey, QObject* parent = nullptr);
    ~VPNApi() override;

    QString Host() const { return m_host; }
    QString ApiKey() const { return m_apiKey; }
    QString AccountKey() const { return m_accountKey; }
    void SetAccountKey(const QString& accountKey) { m_accountKey = accountKey; }
    // The program version and operating system name the support ticket carries.
    void SetSystemDescription(const QString& softwareVersion, const QString& osName);
    // E-mail address of the last successful account information; empty until one arrived.
    QString AccountEmail() const { return m_accountEmail; }
    // For a check made with CheckUserInfo(), whose answers this class does not keep.
    void SetAccountEmail(const QString& email) { m_accountEmail = email; }

    // The workflow's requests are virtual so that its tests can answer them without a network.
    virtual void GetServerList(const QString& ip);
    void GetServerListForRegion(const QString& region);
    virtual void GetVpnNetworkAccountIpAnchor();
    // Virtual as well, so that the server marks' tests can see the anchor calls they make.
    virtual void DoAnchorVpnNetworkAccountIp(const QString& serverAddress);
    virtual void DoUnanchorVpnNetworkAccountIp();
    void GetUserInfo();
    virtual void GetRequestEntityIp();
    // One account check with a response object of its own, sent with accountKey whatever the
    // current account key is: a sign-in matches each answer to the request it belongs to,
    // although answers may arrive in any order.
    virtual std::shared_ptr<VPNApiGetUserInfoResponse> CheckUserInfo(const QString& accountKey);
    void AddLogTicket(const QString& supportFilePath, const QString& logFilePath);

    // The caller has reloaded the settings file into the record it passes.
    void SetProxyFromSettings(const VPNSettings& settings);
    void SetProxyEnabled(bool enabled);

    VPNMessageQueue& Queue() { return m_queue; }

    VPNApiServerListResponse* ServerListResponse() const { return m_serverListResponse.get(); }
    VPNApiGetAssignedAddressResponse* AssignedAddressResponse() const
    {
        return m_assignedAddressResponse.get();
    }
    VPNApiResponse* ResetAssignedResponse() const { return m_resetAssignedResponse.get(); }
    VPNApiResponse* SetAssignedResponse() const { return m_setAssignedResponse.get(); }
    VPNApiGetUserInfoResponse* UserInfoResponse() const { return m_userInfoResponse.get(); }
    VPNApiGetRequestEntityIpResponse* RequestEntityIpResponse() const
    {
        return m_requestEntityIpResponse.get();
    }
    VPNApiCreateSupportTicketResponse* SupportTicketResponse() const { return m_supportTicketResponse.get(); }

signals:
    void ServerListErrorOccured();
    void CreateSupportTicketFinished(bool isOk, const QString& link);
    // For the server catalog's SetServerLists, after a successful server list.
    void ServerListsReceived(const QList<VPNServer>& udpServers, const QList<VPNServer>& tcpServers);
    // For the server catalog's SetAssignedAddress, after every anchor information reply.
    void AssignedAddressReceived(const QString& address);
    // For the server catalog's ClearAssignedAddress, after every unanchor reply.
    void AssignedAddressCleared();
    // For the IP manager's SetGenericIp, after every public address reply (empty on failure).
    void RequestEntityIpReceived(const QString& address);

private slots:
    void OnServerListFinished();
    void OnGetAssignedAddressFinished();
    void OnResetAssignedAddressFinished();
    void OnSetAssignedAddressFinished();
    void OnGetUserInfoFinished();
    void OnGetRequestEntityIpFinished();
    void OnCreateSupportTicketFinished();

private:
    // serial (when an account key is set) plus the given fields.
    QMap<QString, QString> AccountParameters(const QMap<QString, QString>& fields = {}) const;
    VPNApiMessage Build(const QString& script, const QMap<QString, QString>& parameters) const;
    void Send(const QString& script, const QMap<QString, QString>& parameters,
              std::shared_ptr<VPNApiResponse> response);

    QString m_host;
    QString m_apiKey;
    VPNMessageQueue m_queue;
    QString m_accountKey;
    QString m_accountEmail;
    QString m_softwareVersion;
    QString m_osName;
    std::shared_ptr<VPNApiServerListResponse> m_serverListResponse;
    std::shared_ptr<VPNApiGetAssignedAddressResponse> m_assignedAddressResponse;
    std::shared_ptr<VPNApiResponse> m_resetAssignedResponse;
    std::shared_ptr<VPNApiResponse> m_setAssignedResponse;
    std::shared_ptr<VPNApiGetUserInfoResponse> m_userInfoResponse;
    std::shared_ptr<VPNApiGetRequestEntityIpResponse> m_requestEntityIpResponse;
    std::shared_ptr<VPNApiCreateSupportTicketResponse> m_supportTicketResponse;
};
