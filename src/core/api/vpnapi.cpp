#include "api/vpnapi.h"

#include "support/logmask.h"

#include <QDebug>
#include <QUrl>

#include <utility>

namespace {

const QString kSerial = QStringLiteral("serial");

} // namespace

VPNApi::VPNApi(QString host, QString apiKey, QObject* parent)
    : QObject(parent)
    , m_host(std::move(host))
    , m_apiKey(std::move(apiKey))
    , m_serverListResponse(std::make_shared<VPNApiServerListResponse>())
    , m_assignedAddressResponse(std::make_shared<VPNApiGetAssignedAddressResponse>())
    , m_resetAssignedResponse(std::make_shared<VPNApiResponse>())
    , m_setAssignedResponse(std::make_shared<VPNApiResponse>())
    , m_userInfoResponse(std::make_shared<VPNApiGetUserInfoResponse>())
    , m_requestEntityIpResponse(std::make_shared<VPNApiGetRequestEntityIpResponse>())
    , m_supportTicketResponse(std::make_shared<VPNApiCreateSupportTicketResponse>())
{
    connect(m_serverListResponse.get(), &VPNApiResponse::Finished, this, &VPNApi::OnServerListFinished);
    connect(m_assignedAddressResponse.get(), &VPNApiResponse::Finished, this,
            &VPNApi::OnGetAssignedAddressFinished);
    connect(m_resetAssignedResponse.get(), &VPNApiResponse::Finished, this,
            &VPNApi::OnResetAssignedAddressFinished);
    connect(m_setAssignedResponse.get(), &VPNApiResponse::Finished, this,
            &VPNApi::OnSetAssignedAddressFinished);
    connect(m_userInfoResponse.get(), &VPNApiResponse::Finished, this, &VPNApi::OnGetUserInfoFinished);
    connect(m_requestEntityIpResponse.get(), &VPNApiResponse::Finished, this,
            &VPNApi::OnGetRequestEntityIpFinished);
    connect(m_supportTicketResponse.get(), &VPNApiResponse::Finished, this,
            &VPNApi::OnCreateSupportTicketFinished);
}

VPNApi::~VPNApi()
{
    // Responses outlive this object while handlers hold them; nothing may reach the slots.
    for (VPNApiResponse* response :
         {static_cast<VPNApiResponse*>(m_serverListResponse.get()),
          static_cast<VPNApiResponse*>(m_assignedAddressResponse.get()), m_resetAssignedResponse.get(),
          m_setAssignedResponse.get(), static_cast<VPNApiResponse*>(m_userInfoResponse.get()),
          static_cast<VPNApiResponse*>(m_requestEntityIpResponse.get()),
          static_cast<VPNApiResponse*>(m_supportTicketResponse.get())})
        disconnect(response, nullptr, this, nullptr);
}

void VPNApi::SetSystemDescription(const QString& softwareVersion, const QString& osName)
{
    m_softwareVersion = softwareVersion;
    m_osName = osName;
}

QMap<QString, QString> VPNApi::AccountParameters(const QMap<QString, QString>& fields) const
{
    QMap<QString, QString> parameters = fields;
    if (!m_accountKey.isEmpty())
        parameters.insert(kSerial, m_accountKey);
    return parameters;
}

VPNApiMessage VPNApi::Build(const QString& script, const QMap<QString, QString>& parameters) const
{
    VPNApiMessage message = BuildMessage(m_host, m_apiKey, script, parameters);
    // An account check may carry a key that is not (yet) the current one.
    const QString secret = parameters.value(kSerial, m_accountKey);
    const QString url = LogMask::MaskSecret(RequestUrl(message).toString(), secret);
    const QString body = LogMask::MaskSecret(
        LogMask::MaskFormField(QString::fromLatin1(RequestBody(message)), kSerial), secret);
    qDebug() << "API Message URL:" << url << " Parameters: " << body;
    return message;
}

void VPNApi::Send(const QString& script, const QMap<QString, QString>& parameters,
                  std::shared_ptr<VPNApiResponse> response)
{
    m_queue.SendMessage(Build(script, parameters), std::move(response));
}

void VPNApi::GetServerList(const QString& ip)
{
    QMap<QString, QString> fields;
    if (!ip.isEmpty())
        fields.insert(QStringLiteral("ip"), ip);
    Send(QStringLiteral("getServerList"), AccountParameters(fields), m_serverListResponse);
}

void VPNApi::GetServerListForRegion(const QString& region)
{
    qDebug() << "Getting servers for region :" << region;
    QMap<QString, QString> fields;
    if (!region.isEmpty())
        fields.insert(QStringLiteral("region_name"), region);
    Send(QStringLiteral("getServerList"), AccountParameters(fields), m_serverListResponse);
}

void VPNApi::GetVpnNetworkAccountIpAnchor()
{
    Send(QStringLiteral("getVpnNetworkAccountIpAnchor"), AccountParameters(), m_assignedAddressResponse);
}

void VPNApi::DoAnchorVpnNetworkAccountIp(const QString& serverAddress)
{
    Send(QStringLiteral("doAnchorVpnNetworkAccountIp"),
         AccountParameters({{QStringLiteral("server_ip"), serverAddress}}), m_setAssignedResponse);
}

void VPNApi::DoUnanchorVpnNetworkAccountIp()
{
    Send(QStringLiteral("doUnanchorVpnNetworkAccountIp"), AccountParameters(), m_resetAssignedResponse);
}

void VPNApi::GetUserInfo()
{
    Send(QStringLiteral("getUserInfo"), AccountParameters(), m_userInfoResponse);
}

std::shared_ptr<VPNApiGetUserInfoResponse> VPNApi::CheckUserInfo(const QString& accountKey)
{
    auto response = std::make_shared<VPNApiGetUserInfoResponse>();
    Send(QStringLiteral("getUserInfo"), {{kSerial, accountKey}}, response);
    return response;
}

void VPNApi::GetRequestEntityIp()
{
    m_requestEntityIpResponse->ClearAddress();
    Send(QStringLiteral("getRequestEntityIp"), {}, m_requestEntityIpResponse);
}

void VPNApi::AddLogTicket(const QString& supportFilePath, const QString& logFilePath)
{
    const VPNApiMessage message = Build(QStringLiteral("addLogTicket"), {});
    const SupportTicketFields fields {m_accountEmail, m_softwareVersion, m_osName};
    if (!m_queue.SendSupportTicket(message, m_supportTicketResponse, supportFilePath, logFilePath, fields))
        emit CreateSupportTicketFinished(false, QString());
}

void VPNApi::SetProxyFromSettings(const VPNSettings& settings)
{
    m_queue.SetProxyFromSettings(settings, QUrl(QStringLiteral("https://%1/").arg(m_host)));
}

void VPNApi::SetProxyEnabled(bool enabled)
{
    m_queue.SetProxyEnabled(enabled);
}

void VPNApi::OnServerListFinished()
{
    if (m_serverListResponse->IsSuccess()) {
        qDebug() << "Server List Processing finished.";
        emit ServerListsReceived(m_serverListResponse->UdpServers(), m_serverListResponse->TcpServers());
    } else {
        qDebug() << "Server List error occurred.";
        emit ServerListErrorOccured();
    }
}

void VPNApi::OnGetAssignedAddressFinished()
{
    emit AssignedAddressReceived(m_assignedAddressResponse->Address());
}

void VPNApi::OnResetAssignedAddressFinished()
{
    emit AssignedAddressCleared();
}

void VPNApi::OnSetAssignedAddressFinished()
{
    GetVpnNetworkAccountIpAnchor();
}

void VPNApi::OnGetUserInfoFinished()
{
    if (m_userInfoResponse->IsSuccess())
        m_accountEmail = m_userInfoResponse->Email();
}

void VPNApi::OnGetRequestEntityIpFinished()
{
    emit RequestEntityIpReceived(m_requestEntityIpResponse->Address());
}

void VPNApi::OnCreateSupportTicketFinished()
{
    emit CreateSupportTicketFinished(m_supportTicketResponse->IsSuccess(), m_supportTicketResponse->Link());
}
