#include "api/vpnmessagehandler.h"

#include "api/vpnapiresponse.h"

#include <QDebug>
#include <QNetworkReply>
#include <QSslCertificate>

VPNMessageHandler::VPNMessageHandler(QNetworkReply* reply, std::shared_ptr<VPNApiResponse> response,
                                     Limits limits, QObject* parent)
    : QObject(parent)
    , m_reply(reply)
    , m_response(std::move(response))
    , m_limits(limits)
{
    connect(m_reply, &QNetworkReply::finished, this, &VPNMessageHandler::ProcessResponse);
    connect(m_reply, &QNetworkReply::sslErrors, this, &VPNMessageHandler::ProcessSslErrors);
    connect(m_reply, &QNetworkReply::redirected, this, &VPNMessageHandler::OnRedirected);
    connect(m_reply, &QNetworkReply::downloadProgress, this, &VPNMessageHandler::OnDownloadProgress);
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        Abandon(QStringLiteral("no complete reply within %1 s").arg(m_limits.deadline.count() / 1000.0));
    });
    m_deadline.start(m_limits.deadline);
}

bool VPNMessageHandler::IsRedirectAllowed(const QUrl& from, const QUrl& to)
{
    const QUrl target = from.resolved(to);
    return target.scheme() == QLatin1String("https") && !target.host().isEmpty()
        && target.host().compare(from.host(), Qt::CaseInsensitive) == 0;
}

void VPNMessageHandler::OnRedirected(const QUrl& target)
{
    if (!IsRedirectAllowed(m_reply->url(), target)) {
        Abandon(
            QStringLiteral("redirect to %1 refused: only the same host over HTTPS").arg(target.toString()));
        return;
    }
    emit m_reply->redirectAllowed();
}

void VPNMessageHandler::OnDownloadProgress(qint64 received)
{
    if (received > m_limits.maxReplyBytes)
        Abandon(QStringLiteral("the reply exceeds %1 bytes").arg(m_limits.maxReplyBytes));
}

void VPNMessageHandler::Abandon(const QString& reason)
{
    qDebug() << "Request abandoned:" << reason;
    // finished() follows from abort() with an error, which ProcessResponse reports.
    m_reply->abort();
}

VPNMessageHandler::~VPNMessageHandler() = default;

QString VPNMessageHandler::DecodeReplyBody(const QByteArray& body)
{
    const qsizetype zero = body.indexOf('\0');
    return QString::fromLatin1(zero < 0 ? body : body.left(zero));
}

void VPNMessageHandler::ProcessResponse()
{
    m_deadline.stop();
    if (m_reply->error() == QNetworkReply::NoError) {
        m_response->Parse(DecodeReplyBody(m_reply->readAll()));
    } else {
        qDebug() << "Network error occured during script call:" << m_reply->errorString();
        m_response->SetNetworkError();
    }
    m_reply->deleteLater();
    emit Processed();
}

void VPNMessageHandler::ProcessSslErrors(const QList<QSslError>& errors)
{
    // The errors are not ignored: the reply ends with a handshake failure, which
    // ProcessResponse reports as a network error.
    qDebug() << "SSL errors: " << errors;
    const QSslCertificate certificate = m_reply->sslConfiguration().peerCertificate();
    qDebug() << "peer's certificate: " << certificate;
}
