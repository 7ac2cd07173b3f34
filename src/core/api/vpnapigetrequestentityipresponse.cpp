#include "api/vpnapigetrequestentityipresponse.h"

VPNApiGetRequestEntityIpResponse::VPNApiGetRequestEntityIpResponse(QObject* parent)
    : VPNApiResponse(true, parent)
{ }

void VPNApiGetRequestEntityIpResponse::ParseText(const QString& text)
{
    m_address = text;
}
