#include "api/vpnapicreatesupportticketresponse.h"

#include <QDebug>

VPNApiCreateSupportTicketResponse::VPNApiCreateSupportTicketResponse(QObject* parent)
    : VPNApiResponse(false, parent)
{ }

void VPNApiCreateSupportTicketResponse::ParseData(const QDomElement& data)
{
    m_link.clear();
    if (data.isNull())
        return;
    m_link = data.text();
    qDebug() << "Found support ticket link: " << m_link;
}
