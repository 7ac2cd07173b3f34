#include "api/vpnapigetrequestentityipresponse.h"

#include "support/dottedquad.h"

#include <QHostAddress>

VPNApiGetRequestEntityIpResponse::VPNApiGetRequestEntityIpResponse(QObject* parent)
    : VPNApiResponse(true, parent)
{ }

void VPNApiGetRequestEntityIpResponse::ParseText(const QString& text)
{
    // Only an address counts: an error page or a cut reply answered with status 200 would
    // otherwise be shown as the new address, and differ from the local one, so the tunnel would
    // pass the check without any proof that the traffic goes through it.
    const QString address = text.trimmed();
    const bool isAddress
        = IsDottedQuad(address) || QHostAddress(address).protocol() == QAbstractSocket::IPv6Protocol;
    m_address = isAddress ? address : QString();
}
