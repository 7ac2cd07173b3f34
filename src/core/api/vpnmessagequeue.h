#pragma once

#include "api/vpnapimessage.h"
#include "api/vpnapiresponse.h"
#include "api/vpnmessagehandler.h"
#include "support/backgroundworker.h"
#include "support/desktopproxy.h"

#include <QNetworkProxy>
#include <QObject>
#include <QSslConfiguration>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;
struct VPNSettings;

// The text fields of a support ticket besides the API key, as the multipart body carries them.
struct SupportTicketFields
{
    QString email;
    QString softwareVersion;
    // Left out of the body when empty.
    QString osName;
};

/**
 * Sends the API's requests: owns the HTTP access manager, the proxy computed from the
 * settings and the TLS trust (system CAs plus an optional extra CA). Every request gets a
 * handler that delivers its outcome to the script's response object; requests are
 * independent and complete in any order.
 *
 * Responses learn of their replies in the order the replies completed, also when a large reply
 * is read on the worker thread (VPNApiResponse::OffThreadReader()): the ones behind it wait.
 * For such a response only the reply to its last request counts; a reply to an earlier one is
 * dropped. The worker also loads the system's CA certificates when an extra CA is given;
 * requests made meanwhile go out once the trust is complete.
 */
class VPNMessageQueue : public QObject
{
    Q_OBJECT
public:
    // Without a byte for this long a request ends as a network error.
    static constexpr std::chrono::milliseconds DefaultTransferTimeout {30000};
    // However steadily bytes arrive, a request ends by then.
    static constexpr std::chrono::milliseconds DefaultRequestDeadline {60000};
    // The server list, the largest reply, is some kilobytes.
    static constexpr qint64 MaxReplyBytes = qint64(4) * 1024 * 1024;
    static const QByteArray SupportTicketBoundary;

    explicit VPNMessageQueue(QObject* parent = nullptr);
    ~VPNMessageQueue() override;

    void SendMessage(const VPNApiMessage& message, std::shared_ptr<VPNApiResponse> response);
    // Posts the ticket as multipart form data. False, with nothing sent, when either file
    // cannot be opened.
    bool SendSupportTicket(const VPNApiMessage& message, std::shared_ptr<VPNApiResponse> response,
                           const QString& supportFilePath, const QString& logFilePath,
                           const SupportTicketFields& fields);
    // Downloads a document of the service (not a script call) under the same rules: proxy,
    // TLS trust, deadline, size cap and redirects. done runs once, unless receiver is gone by then.
    void Fetch(const QUrl& url, QObject* receiver, VPNMessageHandler::Completion done);

    // Where the "Autodetect" setting finds its proxy.
    void SetDesktopProxy(DesktopProxy desktopProxy) { m_desktopProxy = std::move(desktopProxy); }
    // destination: the service's address, for the desktop's choice of proxy.
    void SetProxyFromSettings(const VPNSettings& settings, const QUrl& destination);
    void SetProxyEnabled(bool enabled);
    QNetworkProxy Proxy() const { return m_proxy; }
    bool IsProxyEnabled() const { return m_proxyEnabled; }
    // The proxy the access manager uses for the next request.
    QNetworkProxy ActiveProxy() const;

    // Trusts the CA certificates of this PEM file in addition to the system's. Empty path:
    // the system's only. False when the file holds no certificate (the trust is kept as it is).
    bool SetExtraCaFile(const QString& path);
    // The certificates of the system's trust locations, those of
    // QSslConfiguration::systemCaCertificates(), each once: Qt parses every file it finds, and
    // Debian's certificate directory holds each CA twice (a file and the bundle beside it);
    // parsing a certificate costs most of a millisecond, so the text is read first.
    static QList<QSslCertificate> SystemCaCertificates();
    // False while the system's CA certificates are being loaded for the extra CA.
    bool IsTrustReady() const { return !m_trustLoading; }
    void SetTransferTimeout(std::chrono::milliseconds timeout) { m_transferTimeout = timeout; }
    std::chrono::milliseconds TransferTimeout() const { return m_transferTimeout; }
    void SetRequestDeadline(std::chrono::milliseconds deadline) { m_requestDeadline = deadline; }

    // desktop: what the desktop answered, taken for the "Autodetect" setting.
    static QNetworkProxy ProxyFromSettings(const VPNSettings& settings, const QNetworkProxy& desktop);
    // "No Proxy", "HTTP Proxy: host Port n", "SOCKS5 Proxy: host Port n", or empty.
    static QString DescribeProxy(const QNetworkProxy& proxy);
    // The multipart body of a ticket; file contents are given already read.
    static QByteArray BuildSupportTicketBody(const QString& apiKey, const SupportTicketFields& fields,
                                             const QByteArray& supportFile, const QByteArray& logFile);

private:
    // One completed script call, handed to its response once it and every one before it is ready.
    struct Delivery
    {
        quint64 id = 0;
        std::shared_ptr<VPNApiResponse> response;
        quint64 request = 0;
        std::function<void()> deliver;
        bool ready = false;
    };

    QNetworkRequest MakeRequest(const QUrl& url) const;
    void Track(QNetworkReply* reply, std::shared_ptr<VPNApiResponse> response, quint64 request);
    void Track(VPNMessageHandler* handler);
    void LogProxy() const;
    // Runs send now, or once the trust is complete.
    void WhenTrusted(std::function<void()> send);
    void SendWaiting();
    void Complete(const std::shared_ptr<VPNApiResponse>& response, quint64 request,
                  const VPNMessageHandler::Outcome& outcome);
    void DeliverReady();
    void ReturnFreedMemory();

    std::unique_ptr<QNetworkAccessManager> m_accessManager;
    DesktopProxy m_desktopProxy;
    QNetworkProxy m_proxy {QNetworkProxy::NoProxy};
    bool m_proxyEnabled = true;
    QSslConfiguration m_sslConfiguration;
    std::chrono::milliseconds m_transferTimeout = DefaultTransferTimeout;
    std::chrono::milliseconds m_requestDeadline = DefaultRequestDeadline;
    bool m_trustLoading = false;
    quint64 m_trustGeneration = 0;
    std::vector<std::function<void()>> m_waitingForTrust;
    std::deque<Delivery> m_deliveries;
    quint64 m_lastDelivery = 0;
    // Last, so that it goes first: no result of the thread arrives while the rest goes away.
    BackgroundWorker m_worker;
};
