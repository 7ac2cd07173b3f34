#include "api/vpnmessagehandler.h"

#include "api/vpnapiresponse.h"

#include <QDebug>
#include <QNetworkReply>
#include <QSslCertificate>

VPNMessageHandler::VPNMessageHandler(QNetworkReply* reply, std::shared_ptr<VPNApiResponse> response,
                                     QObject* parent)
    : QObject(parent)
    , m_reply(reply)
    , m_response(std::move(response))
{
    connect(m_reply, &QNetworkReply::finished, this, &VPNMessageHandler::ProcessResponse);
    connect(m_reply, &QNetworkReply::sslErrors, this, &VPNMessageHandler::ProcessSslErrors);
}

VPNMessageHandler::~VPNMessageHandler() = default;

QString VPNMessageHandler::DecodeReplyBody(const QByteArray& body)
{
    const qsizetype zero = body.indexOf('\0');
    return QString::fromLatin1(zero < 0 ? body : body.left(zero));
}

void VPNMessageHandler::ProcessResponse()
{
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
