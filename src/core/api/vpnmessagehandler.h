#pragma once

#include <QList>
#include <QObject>
#include <QSslError>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <functional>

class QNetworkReply;

// Waits for one request's reply and hands it on: the body on success, a network error
// otherwise. Certificate problems are logged and fail the request, and so do a reply still
// incomplete at the deadline, a reply larger than the cap and a redirect that leaves the host
// or HTTPS (the request asks to verify each redirect). The outcome goes to a completion function.
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

    // What became of a request: the whole body, or why there is none.
    struct Outcome
    {
        bool ok = false;
        QByteArray body;
        QString error;
    };
    using Completion = std::function<void(const Outcome&)>;

    VPNMessageHandler(QNetworkReply* reply, Completion completion, Limits limits, QObject* parent = nullptr);
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
    Completion m_completion;
    Limits m_limits;
    // Why the request was cut short; a plain abort would only say "Operation canceled".
    QString m_abandonReason;
    QTimer m_deadline;
};
