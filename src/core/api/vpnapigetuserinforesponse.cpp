#include "api/vpnapigetuserinforesponse.h"

VPNApiGetUserInfoResponse::VPNApiGetUserInfoResponse(QObject* parent)
    : VPNApiResponse(false, parent)
{ }

void VPNApiGetUserInfoResponse::ParseData(const QDomElement& data)
{
    if (data.isNull())
        return;
    const QDomElement clientInfo = data.firstChildElement(QStringLiteral("clientinfo"));
    if (clientInfo.isNull())
        return;
    const QDomElement userName = clientInfo.firstChildElement(QStringLiteral("username"));
    if (!userName.isNull())
        m_userName = userName.text();
    const QDomElement email = clientInfo.firstChildElement(QStringLiteral("email"));
    if (!email.isNull())
        m_email = email.text();
}
