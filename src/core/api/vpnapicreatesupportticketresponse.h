#pragma once

#include "api/vpnapiresponse.h"

// The addLogTicket payload: the web address of the created support ticket (empty when the
// reply has no data).
class VPNApiCreateSupportTicketResponse : public VPNApiResponse
{
    Q_OBJECT
public:
    explicit VPNApiCreateSupportTicketResponse(QObject* parent = nullptr);

    QString Link() const { return m_link; }

protected:
    void ParseData(const QDomElement& data) override;

private:
    QString m_link;
};
