#pragma once

#include "api/vpnapiresponse.h"

// The getUserInfo payload: user name and e-mail address of the account, read from
// data/clientinfo. A missing element leaves its field as it was.
class VPNApiGetUserInfoResponse : public VPNApiResponse
{
    Q_OBJECT
public:
    explicit VPNApiGetUserInfoResponse(QObject* parent = nullptr);

    QString UserName() const { return m_userName; }
    QString Email() const { return m_email; }

protected:
    void ParseData(const QDomElement& data) override;

private:
    QString m_userName;
    QString m_email;
};
