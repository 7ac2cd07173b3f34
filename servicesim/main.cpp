// norvane-service-sim: the service side as a process, for the demo and the end-to-end world.

#include "credentialcheck.h"
#include "servicesimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <cstdio>

namespace {

bool ParseAddressAndPort(const QString& text, QHostAddress* address, quint16* port)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return false;
    bool ok = false;
    const uint value = text.mid(colon + 1).toUInt(&ok);
    QString host = text.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    *address = QHostAddress(host);
    *port = quint16(value);
    return ok && value <= 65535 && !address->isNull();
}

SimAccount ParseAccount(const QString& text)
{
    const QStringList fields = text.split(QLatin1Char(':'));
    SimAccount account;
    account.key = fields.value(0);
    account.userName = fields.value(1, QStringLiteral("user-") + account.key.left(6).toLower());
    account.email = fields.value(2, account.userName + QStringLiteral("@norvane.example"));
    return account;
}

int Fail(const QString& message)
{
    QTextStream(stderr) << "norvane-service-sim: " << message << '\n';
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("norvane-service-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Plays the Norvane service side: script API over HTTPS, "
                                                    "update feed, change-IP listener, OpenVPN "
                                                    "user/password check."));
    parser.addHelpOption();
    const QCommandLineOption listen(QStringLiteral("listen"), QStringLiteral("HTTPS API address and port."),
                                    QStringLiteral("ADDR:PORT"), QStringLiteral("127.0.0.1:8443"));
    const QCommandLineOption changeIp(QStringLiteral("change-ip-listen"),
                                      QStringLiteral("Address of a change-IP listener (TCP 9988; "
                                                     "repeatable; need not exist yet)."),
                                      QStringLiteral("ADDR"));
    const QCommandLineOption dataDir(QStringLiteral("data-dir"),
                                     QStringLiteral("Folder for tickets, certificates, accounts and logs."),
                                     QStringLiteral("DIR"));
    const QCommandLineOption catalog(QStringLiteral("catalog"),
                                     QStringLiteral("Server catalog (<servers> XML)."),
                                     QStringLiteral("FILE"), QStringLiteral(NORVANE_SIM_DEFAULT_CATALOG));
    const QCommandLineOption account(QStringLiteral("account"),
                                     QStringLiteral("An account (repeatable). User and e-mail are optional."),
                                     QStringLiteral("KEY[:user:email]"));
    const QCommandLineOption cert(QStringLiteral("cert"), QStringLiteral("Server certificate (PEM)."),
                                  QStringLiteral("FILE"));
    const QCommandLineOption key(QStringLiteral("key"), QStringLiteral("Server private key (PEM)."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption apiKey(QStringLiteral("api-key"),
                                    QStringLiteral("API key the client must send."), QStringLiteral("KEY"),
                                    QStringLiteral("Tq3vWz8p"));
    const QCommandLineOption slow(QStringLiteral("slow"), QStringLiteral("Answer every request after MS."),
                                  QStringLiteral("MS"));
    const QCommandLineOption malformed(QStringLiteral("malformed"),
                                       QStringLiteral("Answer with broken XML."));
    const QCommandLineOption httpError(QStringLiteral("http-error"),
                                       QStringLiteral("Answer every request with this HTTP status."),
                                       QStringLiteral("CODE"));
    const QCommandLineOption mapExit(QStringLiteral("map-exit"),
                                     QStringLiteral("getRequestEntityIp answers EXIT to SRC, an address "
                                                    "or a network ADDR/LEN (repeatable)."),
                                     QStringLiteral("SRC=EXIT"));
    const QCommandLineOption anchor(QStringLiteral("anchor"),
                                    QStringLiteral("Anchor an account (repeatable)."),
                                    QStringLiteral("KEY=ADDRESS"));
    const QCommandLineOption check(QStringLiteral("check-credentials"),
                                   QStringLiteral("OpenVPN via-file check: exit 0 when FILE holds a known "
                                                  "account key in upper case as user and password."),
                                   QStringLiteral("FILE"));
    const QCommandLineOption offerVersion(QStringLiteral("offer-version"),
                                          QStringLiteral("Version the update feed offers (default: the "
                                                         "client's own, so it is up to date)."),
                                          QStringLiteral("VERSION"),
                                          QStringLiteral(NORVANE_SIM_OFFERED_VERSION));
    parser.addOptions({listen, changeIp, dataDir, catalog, account, cert, key, apiKey, slow, malformed,
                       httpError, mapExit, anchor, check, offerVersion});
    parser.process(app);

    QList<SimAccount> accounts;
    for (const QString& text : parser.values(account))
        accounts << ParseAccount(text);

    if (parser.isSet(check)) {
        QStringList keys;
        for (const SimAccount& known : accounts)
            keys << known.key;
        if (parser.isSet(dataDir))
            keys << ServiceSimulator::ReadAccountKeys(parser.value(dataDir));
        // OpenVPN appends the file as the last argument.
        const QString file = parser.value(check);
        return CredentialCheck::CheckFile(file, keys) ? 0 : 1;
    }

    ServiceSimulator simulator;
    const QString data = parser.isSet(dataDir) ? parser.value(dataDir)
                                               : QDir::currentPath() + QStringLiteral("/servicesim-data");
    simulator.SetDataDirectory(data);
    simulator.SetApiKey(parser.value(apiKey));
    for (const SimAccount& known : accounts)
        simulator.AddAccount(known);
    for (const QString& text : parser.values(anchor))
        simulator.SetAnchor(text.section(QLatin1Char('='), 0, 0), text.section(QLatin1Char('='), 1));
    for (const QString& text : parser.values(mapExit)) {
        if (!simulator.MapExitAddress(text.section(QLatin1Char('='), 0, 0),
                                      text.section(QLatin1Char('='), 1)))
            return Fail(QStringLiteral("bad --map-exit value %1").arg(text));
    }
    simulator.SetResponseDelay(parser.value(slow).toInt());
    simulator.SetMalformedReplies(parser.isSet(malformed));
    simulator.SetHttpError(parser.value(httpError).toInt());
    simulator.SetOfferedVersion(parser.value(offerVersion));

    QString error;
    if (!simulator.LoadCatalog(parser.value(catalog), &error))
        return Fail(error);

    QHostAddress address;
    quint16 port = 0;
    if (!ParseAddressAndPort(parser.value(listen), &address, &port))
        return Fail(QStringLiteral("bad --listen value %1").arg(parser.value(listen)));
    if (parser.isSet(cert) || parser.isSet(key)) {
        if (!simulator.UseCertificate(parser.value(cert), parser.value(key), &error))
            return Fail(error);
    } else if (!simulator.GenerateCertificate(data + QStringLiteral("/tls"), address, &error)) {
        return Fail(error);
    }
    if (!simulator.Start(address, port, &error))
        return Fail(QStringLiteral("cannot listen on %1: %2").arg(parser.value(listen), error));
    for (const QString& text : parser.values(changeIp)) {
        const QHostAddress listenerAddress(text);
        if (listenerAddress.isNull())
            return Fail(QStringLiteral("bad --change-ip-listen value %1").arg(text));
        if (!simulator.StartChangeIpListener(listenerAddress, ServiceSimulator::ChangeIpPort, &error))
            return Fail(QStringLiteral("cannot listen for change-IP on %1: %2").arg(text, error));
    }

    QTextStream out(stdout);
    out << "API host: " << simulator.HostAndPort() << '\n';
    if (!simulator.CaCertificatePath().isEmpty())
        out << "CA certificate: " << simulator.CaCertificatePath() << '\n';
    out << "Data folder: " << data << '\n';
    for (const QString& text : parser.values(changeIp))
        out << "Change-IP listener: " << text << ':' << ServiceSimulator::ChangeIpPort << '\n';
    out.flush();

    QObject::connect(&simulator, &ServiceSimulator::RequestReceived, &app, [](const HttpRequest& request) {
        QTextStream(stdout) << "request " << request.method << ' ' << request.Path() << " from "
                            << request.peer.toString() << Qt::endl;
    });
    QObject::connect(&simulator, &ServiceSimulator::ChangeIpMessageReceived, &app,
                     [](const QString& peer, const QString& message, const QString& newExit) {
                         // The message carries the account key; only its tunnel-address half is printed.
                         QTextStream(stdout)
                             << "change-ip from " << peer << " (tunnel "
                             << message.section(QLatin1Char('_'), -1) << ") -> " << newExit << Qt::endl;
                     });
    return app.exec();
}
