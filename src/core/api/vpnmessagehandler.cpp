#include "api/vpnmessagehandler.h"

#include <QDebug>
#include <QNetworkReply>
#include <QSslCertificate>

VPNMessageHandler::VPNMessageHandler(QNetworkReply* reply, Completion completion, Limits limits,
                                     QObject* parent)
    : QObject(parent)
    , m_reply(reply)
    , m_completion(std::move(completion))
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
    m_abandonReason = reason;
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
    Outcome outcome;
    outcome.ok = m_reply->error() == QNetworkReply::NoError;
    if (outcome.ok)
        outcome.body = m_reply->readAll();
    else
        outcome.error = m_abandonReason.isEmpty() ? m_reply->errorString() : m_abandonReason;
    m_reply->deleteLater();
    m_completion(outcome);
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
