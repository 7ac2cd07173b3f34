#pragma once

#include <QList>
#include <QObject>
#include <QSslError>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <memory>

class QNetworkReply;
class VPNApiResponse;

// Waits for one request's reply and hands it to the response object: the body on success,
// a network error otherwise. Certificate problems are logged and fail the request, and so do
// a reply still incomplete at the deadline, a reply larger than the cap and a redirect that
// leaves the host or HTTPS (the request asks to verify each redirect).
class VPNMessageHandler : public QObject
{
    Q_OBJECT
public:
    struct Limits
    {
        // From sending to the whole reply, however steadily bytes arrive.
        std::chrono::milliseconds deadline;
        qint64 maxReplyBytes;
    };

    VPNMessageHandler(QNetworkReply* reply, std::shared_ptr<VPNApiResponse> response, Limits limits,
                      QObject* parent = nullptr);
    ~VPNMessageHandler() override;

    // The reply text as the envelope parser gets it: cut at the first zero byte, one
    // Latin-1 character per byte.
    static QString DecodeReplyBody(const QByteArray& body);
    // A redirect is followed only to the same host, over HTTPS.
    static bool IsRedirectAllowed(const QUrl& from, const QUrl& to);

signals:
    // The response has been told; the handler may go.
    void Processed();

public slots:
    void ProcessResponse();
    void ProcessSslErrors(const QList<QSslError>& errors);

private:
    void Abandon(const QString& reason);
    void OnRedirected(const QUrl& target);
    void OnDownloadProgress(qint64 received);

    QNetworkReply* m_reply;
    std::shared_ptr<VPNApiResponse> m_response;
    Limits m_limits;
    QTimer m_deadline;
};
