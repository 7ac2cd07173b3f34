#pragma once

#include "api/vpnapiresponse.h"

// The getVpnNetworkAccountIpAnchor payload: the server address the account is anchored to,
// empty when none. A reply without data keeps the previous address.
class VPNApiGetAssignedAddressResponse : public VPNApiResponse
{
    Q_OBJECT
public:
    explicit VPNApiGetAssignedAddressResponse(QObject* parent = nullptr);

    QString Address() const { return m_address; }

protected:
    void ParseData(const QDomElement& data) override;

private:
    QString m_address;
};
