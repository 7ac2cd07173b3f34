#pragma once

#include <QList>
#include <QObject>
#include <QSslError>

#include <memory>

class QNetworkReply;
class VPNApiResponse;

// Waits for one request's reply and hands it to the response object: the body on success,
// a network error otherwise. Certificate problems are logged and fail the request.
class VPNMessageHandler : public QObject
{
    Q_OBJECT
public:
    VPNMessageHandler(QNetworkReply* reply, std::shared_ptr<VPNApiResponse> response,
                      QObject* parent = nullptr);
    ~VPNMessageHandler() override;

    // The reply text as the envelope parser gets it: cut at the first zero byte, one
    // Latin-1 character per byte.
    static QString DecodeReplyBody(const QByteArray& body);

signals:
    // The response has been told; the handler may go.
    void Processed();

public slots:
    void ProcessResponse();
    void ProcessSslErrors(const QList<QSslError>& errors);

private:
    QNetworkReply* m_reply;
    std::shared_ptr<VPNApiResponse> m_response;
};
