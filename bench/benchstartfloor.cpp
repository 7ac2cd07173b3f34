// The floor of the start-up figure: the least a widgets program can do for what the client's
// start-up does, a window shown and the same four HTTPS requests to the service, one after the
// other (account check, own address, server list, anchor). Prints "RESULT startup_floor <ms>"
// measured from NORVANE_BENCH_T0 (nanoseconds since the epoch, taken just before the start).

#include "api/vpnapimessage.h"

#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslConfiguration>

#include <cstdio>
#include <functional>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("Starting..."));
    window.resize(400, 600);
    window.show();

    // The simulator's API key and the account of the world.
    const QString host = qEnvironmentVariable("NORVANE_API_HOST");
    const QString apiKey = QStringLiteral("Tq3vWz8p");
    const QString key = qEnvironmentVariable("NORVANE_ACCOUNT_KEY");
    const QString serial = QStringLiteral("serial");
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setCaCertificates(QSslConfiguration::systemCaCertificates()
                          + QSslCertificate::fromPath(qEnvironmentVariable("NORVANE_CA_FILE"), QSsl::Pem));
    const QList<VPNApiMessage> messages = {
        BuildMessage(host, apiKey, QStringLiteral("getUserInfo"), {{serial, key}}),
        BuildMessage(host, apiKey, QStringLiteral("getRequestEntityIp"), {}),
        BuildMessage(host, apiKey, QStringLiteral("getServerList"),
                     {{serial, key}, {QStringLiteral("ip"), QStringLiteral("autodetect")}}),
        BuildMessage(host, apiKey, QStringLiteral("getVpnNetworkAccountIpAnchor"), {{serial, key}}),
    };

    QNetworkAccessManager network;
    int next = 0;
    int result = 0;
    std::function<void()> sendNext = [&] {
        if (next == messages.size()) {
            const double ms = (QDateTime::currentMSecsSinceEpoch() * 1e6
                               - double(qgetenv("NORVANE_BENCH_T0").toLongLong()))
                / 1e6;
            std::printf("RESULT startup_floor %.1f\n", ms);
            QApplication::quit();
            return;
        }
        const VPNApiMessage& message = messages.at(next++);
        QNetworkRequest request(RequestUrl(message));
        // Like the client: one connection per request.
        request.setRawHeader(QByteArrayLiteral("Connection"), QByteArrayLiteral("close"));
        request.setSslConfiguration(tls);
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArrayLiteral("application/x-www-form-urlencoded"));
        QNetworkReply* reply = network.post(request, RequestBody(message));
        QObject::connect(reply, &QNetworkReply::finished, &app, [&, reply] {
            reply->deleteLater();
            const QByteArray body = reply->readAll();
            if (reply->error() != QNetworkReply::NoError || body.isEmpty()) {
                std::fprintf(stderr, "benchstartfloor: %s\n", qPrintable(reply->errorString()));
                result = 1;
                QApplication::quit();
                return;
            }
            window.setText(QString::number(body.size()));
            sendNext();
        });
    };
    sendNext();
    const int status = QApplication::exec();
    return result ? result : status;
}
