#include "api/vpnmessagequeue.h"

#include "api/vpnapiresponse.h"
#include "api/vpnmessagehandler.h"
#include "settings/vpnsettings.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSet>
#include <QSslCertificate>

#include <algorithm>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

const QByteArray VPNMessageQueue::SupportTicketBoundary
    = QByteArrayLiteral("---------------------------193531931418651");

namespace {

QByteArray Latin1OrQuestionMark(const QString& text)
{
    // toLatin1 already turns characters outside Latin-1 into "?".
    return text.toLatin1();
}

void AppendPart(QByteArray& body, const QByteArray& headerLine, const QByteArray& extraHeaders,
                const QByteArray& content)
{
    body += "--" + VPNMessageQueue::SupportTicketBoundary + "\r\n";
    body += headerLine + "\r\n";
    body += extraHeaders;
    body += "\r\n";
    body += content + "\r\n";
}

void AppendField(QByteArray& body, const char* name, const QByteArray& content)
{
    AppendPart(body, QByteArray("Content-Disposition: form-data; name=\"") + name + '"', QByteArray(),
               content);
}

void AppendFile(QByteArray& body, const char* name, const char* fileName, const QByteArray& content)
{
    AppendPart(body,
               QByteArray("Content-Disposition: form-data; name=\"") + name + "\"; filename=\"" + fileName
                   + '"',
               QByteArrayLiteral("Content-Type: text/plain\r\nContent-Transfer-Encoding: base64\r\n"),
               content.toBase64());
}

} // namespace

VPNMessageQueue::VPNMessageQueue(QObject* parent)
    : QObject(parent)
    , m_accessManager(std::make_unique<QNetworkAccessManager>())
    , m_sslConfiguration(QSslConfiguration::defaultConfiguration())
{
    m_accessManager->setProxy(m_proxy);
}

VPNMessageQueue::~VPNMessageQueue()
{
    // Handlers go first so that replies torn down with the access manager reach no response.
    qDeleteAll(findChildren<VPNMessageHandler*>(Qt::FindDirectChildrenOnly));
    m_accessManager.reset();
}

QNetworkRequest VPNMessageQueue::MakeRequest(const QUrl& url) const
{
    QNetworkRequest request(url);
    request.setRawHeader(QByteArrayLiteral("Connection"), QByteArrayLiteral("close"));
    request.setSslConfiguration(m_sslConfiguration);
    request.setTransferTimeout(int(m_transferTimeout.count()));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    return request;
}

void VPNMessageQueue::Track(QNetworkReply* reply, std::shared_ptr<VPNApiResponse> response, quint64 request)
{
    Track(new VPNMessageHandler(
        reply,
        [this, response = std::move(response), request](const VPNMessageHandler::Outcome& outcome) {
            Complete(response, request, outcome);
        },
        {m_requestDeadline, MaxReplyBytes}, this));
}

void VPNMessageQueue::Track(VPNMessageHandler* handler)
{
    connect(handler, &VPNMessageHandler::Processed, handler, &QObject::deleteLater);
}

void VPNMessageQueue::Fetch(const QUrl& url, QObject* receiver, VPNMessageHandler::Completion done)
{
    WhenTrusted([this, url, receiver = QPointer<QObject>(receiver), done = std::move(done)] {
        LogProxy();
        QNetworkReply* reply = m_accessManager->get(MakeRequest(url));
        Track(new VPNMessageHandler(
            reply,
            [receiver, done](const VPNMessageHandler::Outcome& outcome) {
                if (receiver)
                    done(outcome);
            },
            {m_requestDeadline, MaxReplyBytes}, this));
    });
}

void VPNMessageQueue::WhenTrusted(std::function<void()> send)
{
    if (IsTrustReady())
        send();
    else
        m_waitingForTrust.push_back(std::move(send));
}

void VPNMessageQueue::SendWaiting()
{
    for (const std::function<void()>& send : std::exchange(m_waitingForTrust, {}))
        send();
}

void VPNMessageQueue::Complete(const std::shared_ptr<VPNApiResponse>& response, quint64 request,
                               const VPNMessageHandler::Outcome& outcome)
{
    const VPNApiResponse::Reader reader = response->OffThreadReader();
    if (reader && !response->IsLastRequest(request)) {
        qDebug() << "Reply to an earlier request dropped: a newer one is under way.";
        return;
    }
    Delivery delivery {++m_lastDelivery, response, request, {}, true};
    if (!outcome.ok) {
        qDebug() << "Network error occured during script call:" << outcome.error;
        delivery.deliver = [response] { response->SetNetworkError(); };
    } else if (!reader) {
        delivery.deliver
            = [response, text = VPNMessageHandler::DecodeReplyBody(outcome.body)] { response->Parse(text); };
    } else {
        delivery.ready = false;
        m_worker.Run<VPNApiResponse::Reading>(
            [reader, body = outcome.body] { return reader(VPNMessageHandler::DecodeReplyBody(body)); },
            [this, id = delivery.id](VPNApiResponse::Reading reading) {
                const auto waiting
                    = std::find_if(m_deliveries.begin(), m_deliveries.end(),
                                   [id](const Delivery& delivery) { return delivery.id == id; });
                if (waiting == m_deliveries.end())
                    return;
                waiting->deliver = [response = waiting->response, reading = std::move(reading)] {
                    response->ApplyReading(reading);
                };
                waiting->ready = true;
                ReturnFreedMemory();
                // Last: a receiver may end this queue.
                DeliverReady();
            });
    }
    m_deliveries.push_back(std::move(delivery));
    DeliverReady();
}

void VPNMessageQueue::ReturnFreedMemory()
{
#if defined(__GLIBC__)
    // A large job leaves megabytes of freed heap behind (the reply, its text, the parser's
    // pieces; the certificates' intermediate copies) that the allocator keeps mapped for the
    // rest of the run. Done on the worker after the job's own data is gone; it touches every
    // thread's heap, not only the worker's.
    m_worker.Run<int>([] { return malloc_trim(0); }, [](int) {});
#endif
}

void VPNMessageQueue::DeliverReady()
{
    const QPointer<VPNMessageQueue> self(this);
    while (self && !m_deliveries.empty() && m_deliveries.front().ready) {
        const Delivery delivery = std::move(m_deliveries.front());
        m_deliveries.pop_front();
        // A newer request went out while this reply was being read.
        if (delivery.response->OffThreadReader() && !delivery.response->IsLastRequest(delivery.request))
            continue;
        // A receiver may send requests, or even end this queue.
        delivery.deliver();
    }
}

void VPNMessageQueue::LogProxy() const
{
    qDebug() << "Proxy for message: " << DescribeProxy(ActiveProxy());
}

void VPNMessageQueue::SendMessage(const VPNApiMessage& message, std::shared_ptr<VPNApiResponse> response)
{
    const quint64 number = response->StartRequest();
    WhenTrusted([this, message, response = std::move(response), number]() mutable {
        QNetworkRequest request = MakeRequest(RequestUrl(message));
        LogProxy();
        QNetworkReply* reply = nullptr;
        if (message.IsGet()) {
            reply = m_accessManager->get(request);
        } else {
            request.setHeader(QNetworkRequest::ContentTypeHeader,
                              QByteArrayLiteral("application/x-www-form-urlencoded"));
            reply = m_accessManager->post(request, RequestBody(message));
        }
        Track(reply, std::move(response), number);
    });
}

QByteArray VPNMessageQueue::BuildSupportTicketBody(const QString& apiKey, const SupportTicketFields& fields,
                                                   const QByteArray& supportFile, const QByteArray& logFile)
{
    QByteArray body;
    AppendField(body, "api_key", Latin1OrQuestionMark(apiKey));
    AppendField(body, "email", Latin1OrQuestionMark(fields.email));
    AppendField(body, "software_version", Latin1OrQuestionMark(fields.softwareVersion));
    if (!fields.osName.isEmpty())
        AppendField(body, "os_version", Latin1OrQuestionMark(fields.osName));
    AppendFile(body, "support_file", "support_file.txt", supportFile);
    AppendFile(body, "log_file", "log_file.txt", logFile);
    body += "--" + SupportTicketBoundary + "--\r\n";
    return body;
}

bool VPNMessageQueue::SendSupportTicket(const VPNApiMessage& message,
                                        std::shared_ptr<VPNApiResponse> response,
                                        const QString& supportFilePath, const QString& logFilePath,
                                        const SupportTicketFields& fields)
{
    QFile supportFile(supportFilePath);
    QFile logFile(logFilePath);
    if (!supportFile.open(QIODevice::ReadOnly) || !logFile.open(QIODevice::ReadOnly)) {
        qDebug() << "Support ticket error: can't open support files";
        return false;
    }
    const QByteArray body = BuildSupportTicketBody(message.parameters.value(QStringLiteral("api_key")),
                                                   fields, supportFile.readAll(), logFile.readAll());
    supportFile.close();
    logFile.close();

    const quint64 number = response->StartRequest();
    WhenTrusted([this, url = QUrl(message.url), body, response = std::move(response), number]() mutable {
        QNetworkRequest request = MakeRequest(url);
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArray("multipart/form-data; boundary=" + SupportTicketBoundary));
        request.setHeader(QNetworkRequest::ContentLengthHeader, body.size());
        LogProxy();
        Track(m_accessManager->post(request, body), std::move(response), number);
    });
    return true;
}

QNetworkProxy VPNMessageQueue::ProxyFromSettings(const VPNSettings& settings, const QNetworkProxy& desktop)
{
    if (settings.proxyType == VPNSettings::NoProxy)
        return QNetworkProxy(QNetworkProxy::NoProxy);
    if (settings.proxyType == VPNSettings::Autodetect)
        return desktop;

    bool parsed = false;
    quint16 port = settings.proxyPort.toUShort(&parsed);
    if (!parsed)
        port = 0;
    const QString user = settings.proxyAuthEnabled ? settings.proxyUser : QString();
    const QString password = settings.proxyAuthEnabled ? settings.proxyPassword : QString();
    const QNetworkProxy::ProxyType type
        = settings.proxyType == VPNSettings::Socks ? QNetworkProxy::Socks5Proxy : QNetworkProxy::HttpProxy;
    QNetworkProxy proxy(type, settings.proxyAddress, port, user, password);
    if (settings.proxyType == VPNSettings::Https)
        proxy.setCapabilities(QNetworkProxy::TunnelingCapability);
    return proxy;
}

QString VPNMessageQueue::DescribeProxy(const QNetworkProxy& proxy)
{
    switch (proxy.type()) {
    case QNetworkProxy::NoProxy:
        return QStringLiteral("No Proxy");
    case QNetworkProxy::HttpProxy:
        return QStringLiteral("HTTP Proxy: %1 Port %2").arg(proxy.hostName()).arg(proxy.port());
    case QNetworkProxy::Socks5Proxy:
        return QStringLiteral("SOCKS5 Proxy: %1 Port %2").arg(proxy.hostName()).arg(proxy.port());
    default:
        return QString();
    }
}

QNetworkProxy VPNMessageQueue::ActiveProxy() const
{
    return m_accessManager->proxy();
}

void VPNMessageQueue::SetProxyFromSettings(const VPNSettings& settings, const QUrl& destination)
{
    const QNetworkProxy desktop = settings.proxyType == VPNSettings::Autodetect
        ? m_desktopProxy.For(destination)
        : QNetworkProxy(QNetworkProxy::NoProxy);
    m_proxy = ProxyFromSettings(settings, desktop);
    if (m_proxyEnabled)
        m_accessManager->setProxy(m_proxy);
}

void VPNMessageQueue::SetProxyEnabled(bool enabled)
{
    m_proxyEnabled = enabled;
    m_accessManager->setProxy(enabled ? m_proxy : QNetworkProxy(QNetworkProxy::NoProxy));
}

QList<QSslCertificate> VPNMessageQueue::SystemCaCertificates()
{
    static const char* const kDirectories[]
        = {"/etc/ssl/certs/",     "/usr/lib/ssl/certs/", "/usr/share/ssl/",
           "/usr/local/ssl/",     "/var/ssl/certs/",     "/usr/local/ssl/certs/",
           "/etc/openssl/certs/", "/opt/openssl/certs/", "/etc/ssl/"};
    static const char* const kBundles[]
        = {"/etc/pki/tls/certs/ca-bundle.crt", "/usr/local/share/certs/ca-root-nss.crt"};
    QStringList files;
    for (const char* directory : kDirectories) {
        const QFileInfoList entries = QDir(QLatin1String(directory))
                                          .entryInfoList({QStringLiteral("*.pem"), QStringLiteral("*.crt")},
                                                         QDir::Files | QDir::Readable);
        for (const QFileInfo& entry : entries)
            files << entry.canonicalFilePath();
    }
    for (const char* bundle : kBundles)
        files << QLatin1String(bundle);
    files.removeDuplicates();

    const QByteArray begin = QByteArrayLiteral("-----BEGIN CERTIFICATE-----");
    const QByteArray end = QByteArrayLiteral("-----END CERTIFICATE-----");
    QSet<QByteArray> seen;
    QByteArray unique;
    for (const QString& path : std::as_const(files)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = file.readAll();
        for (qsizetype from = text.indexOf(begin); from >= 0; from = text.indexOf(begin, from + 1)) {
            const qsizetype to = text.indexOf(end, from);
            if (to < 0)
                break;
            const QByteArray block = text.mid(from, to + end.size() - from);
            // The same certificate may be wrapped differently; its base64 text without line breaks is the
            // same.
            QByteArray key = block;
            key.replace('\r', QByteArray()).replace('\n', QByteArray());
            if (!seen.contains(key)) {
                seen.insert(key);
                unique += block + '\n';
            }
        }
    }
    return QSslCertificate::fromData(unique, QSsl::Pem);
}

bool VPNMessageQueue::SetExtraCaFile(const QString& path)
{
    if (path.isEmpty()) {
        ++m_trustGeneration;
        m_trustLoading = false;
        m_sslConfiguration = QSslConfiguration::defaultConfiguration();
        SendWaiting();
        return true;
    }
    const QList<QSslCertificate> extra = QSslCertificate::fromPath(path, QSsl::Pem);
    if (extra.isEmpty()) {
        qWarning() << "No CA certificate in" << path;
        return false;
    }
    // Setting CA certificates switches off the on-demand loading of the system's, so both are
    // given explicitly. Reading the system's takes a tenth of a second or more: the worker does
    // it while start-up goes on, and requests wait for it.
    const quint64 generation = ++m_trustGeneration;
    m_trustLoading = true;
    m_worker.Run<QList<QSslCertificate>>([] { return SystemCaCertificates(); },
                                         [this, generation, extra](const QList<QSslCertificate>& system) {
                                             if (generation != m_trustGeneration)
                                                 return;
                                             QSslConfiguration configuration
                                                 = QSslConfiguration::defaultConfiguration();
                                             configuration.setCaCertificates(system + extra);
                                             m_sslConfiguration = configuration;
                                             m_trustLoading = false;
                                             SendWaiting();
                                         });
    return true;
}
