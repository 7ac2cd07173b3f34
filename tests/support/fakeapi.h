#pragma once

#include "api/vpnapi.h"
#include "api/vpnapigetuserinforesponse.h"

#include <QStringList>

#include <memory>

/**
 * The service API without a network: the workflow's requests are recorded by name and answered
 * by the test, in any order it likes. Account checks hand out response objects that the test
 * completes with Parse() or SetNetworkError().
 */
class FakeApi final : public VPNApi
{
    Q_OBJECT

public:
    FakeApi();

    void GetServerList(const QString& ip) override;
    void GetVpnNetworkAccountIpAnchor() override;
    void GetRequestEntityIp() override;
    void DoAnchorVpnNetworkAccountIp(const QString& serverAddress) override;
    void DoUnanchorVpnNetworkAccountIp() override;
    std::shared_ptr<VPNApiGetUserInfoResponse> CheckUserInfo(const QString& accountKey) override;

    // "GetServerList", "GetVpnNetworkAccountIpAnchor", "GetRequestEntityIp", "CheckUserInfo <key>",
    // "DoAnchorVpnNetworkAccountIp <address>", "DoUnanchorVpnNetworkAccountIp".
    QStringList TakeCalls() { return std::exchange(m_calls, {}); }
    // The account checks sent so far, oldest first.
    QList<std::shared_ptr<VPNApiGetUserInfoResponse>> Checks() const { return m_checks; }

    // A getUserInfo reply: success with the account's details, or an error code such as "4".
    static QString UserInfoReply(bool success, const QString& codeOrName);

private:
    QStringList m_calls;
    QList<std::shared_ptr<VPNApiGetUserInfoResponse>> m_checks;
};
