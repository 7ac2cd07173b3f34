#include "api/vpnapigetassignedaddressresponse.h"

#include <QDebug>

VPNApiGetAssignedAddressResponse::VPNApiGetAssignedAddressResponse(QObject* parent)
    : VPNApiResponse(false, parent)
{ }

void VPNApiGetAssignedAddressResponse::ParseData(const QDomElement& data)
{
    if (data.isNull())
        return;
    m_address = data.text();
    qDebug() << "Found assigned IP: " << m_address;
}
