#include "fakeapi.h"

FakeApi::FakeApi()
    : VPNApi(QStringLiteral("api.invalid"), QStringLiteral("test-api-key"))
{ }

void FakeApi::GetServerList(const QString& ip)
{
    Q_UNUSED(ip)
    m_calls.append(QStringLiteral("GetServerList"));
}

void FakeApi::GetVpnNetworkAccountIpAnchor()
{
    m_calls.append(QStringLiteral("GetVpnNetworkAccountIpAnchor"));
}

void FakeApi::GetRequestEntityIp()
{
    m_calls.append(QStringLiteral("GetRequestEntityIp"));
}

void FakeApi::DoAnchorVpnNetworkAccountIp(const QString& serverAddress)
{
    m_calls.append(QStringLiteral("DoAnchorVpnNetworkAccountIp ") + serverAddress);
}

void FakeApi::DoUnanchorVpnNetworkAccountIp()
{
    m_calls.append(QStringLiteral("DoUnanchorVpnNetworkAccountIp"));
}

std::shared_ptr<VPNApiGetUserInfoResponse> FakeApi::CheckUserInfo(const QString& accountKey)
{
    m_calls.append(QStringLiteral("CheckUserInfo ") + accountKey);
    auto response = std::make_shared<VPNApiGetUserInfoResponse>();
    m_checks.append(response);
    return response;
}

QString FakeApi::UserInfoReply(bool success, const QString& codeOrName)
{
    if (success) {
        return QStringLiteral("<response><type>success</type><data><clientinfo><username>%1</username>"
                              "<email>%1@example.org</email></clientinfo></data></response>")
            .arg(codeOrName);
    }
    return QStringLiteral("<response><type>error</type><code>%1</code><message>refused</message></response>")
        .arg(codeOrName);
}
