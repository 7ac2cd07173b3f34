#pragma once

#include "api/vpnapiresponse.h"

// The getRequestEntityIp reply: not XML, the whole body is the address the service saw the
// request come from. The API client empties it before each request.
class VPNApiGetRequestEntityIpResponse : public VPNApiResponse
{
    Q_OBJECT
public:
    explicit VPNApiGetRequestEntityIpResponse(QObject* parent = nullptr);

    QString Address() const { return m_address; }
    void ClearAddress() { m_address.clear(); }

protected:
    void ParseText(const QString& text) override;

private:
    QString m_address;
};
