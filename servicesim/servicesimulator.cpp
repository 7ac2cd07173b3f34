#include "servicesimulator.h"

#include "multipartparser.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

const QByteArray kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

QByteArray Escaped(const QString& text)
{
    return text.toHtmlEscaped().toUtf8();
}

QByteArray ReasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 411:
        return "Length Required";
    case 413:
        return "Payload Too Large";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    default:
        return "Error";
    }
}

// Copies the catalog's server elements, keeping those whose description starts with region.
QByteArray FilterCatalog(const QByteArray& catalog, const QString& region)
{
    QXmlStreamReader reader(catalog);
    QByteArray out;
    QXmlStreamWriter writer(&out);
    int depth = 0;
    int skipDepth = -1;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            ++depth;
            if (skipDepth < 0 && depth == 2 && reader.name() == QLatin1String("server")
                && !reader.attributes().value(QLatin1String("description")).startsWith(region))
                skipDepth = depth;
            if (skipDepth < 0) {
                writer.writeStartElement(reader.name().toString());
                writer.writeAttributes(reader.attributes());
            }
        } else if (reader.isEndElement()) {
            if (skipDepth < 0)
                writer.writeEndElement();
            if (depth == skipDepth)
                skipDepth = -1;
            --depth;
        } else if (reader.isCharacters() && skipDepth < 0 && depth > 0) {
            writer.writeCharacters(reader.text().toString());
        }
    }
    return out;
}

// Listens on address even when no interface holds it yet (IP_FREEBIND): the change-IP
// listener sits on the server side of a tunnel, whose address appears only once the VPN
// server brings the tunnel up, and vanishes and reappears when that server restarts.
bool ListenOnAnyAddress(QTcpServer& server, const QHostAddress& address, quint16 port, QString* error)
{
#ifdef Q_OS_LINUX
    if (address.protocol() == QAbstractSocket::IPv4Protocol && address != QHostAddress::AnyIPv4) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) {
            *error = QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
        const int on = 1;
        sockaddr_in local {};
        local.sin_family = AF_INET;
        local.sin_port = htons(port);
        local.sin_addr.s_addr = htonl(address.toIPv4Address());
        if (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0
            || ::setsockopt(fd, IPPROTO_IP, IP_FREEBIND, &on, sizeof on) != 0
            || ::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0
            || ::listen(fd, SOMAXCONN) != 0) {
            *error = QString::fromLocal8Bit(std::strerror(errno));
            ::close(fd);
            return false;
        }
        if (!server.setSocketDescriptor(fd)) {
            *error = server.errorString();
            ::close(fd);
            return false;
        }
        return true;
    }
#endif
    if (!server.listen(address, port)) {
        *error = server.errorString();
        return false;
    }
    return true;
}

} // namespace

ServiceSimulator::ServiceSimulator(QObject* parent)
    : QObject(parent)
{
    SetCatalog("<servers/>");
}

ServiceSimulator::~ServiceSimulator()
{
    m_server.reset();
    m_changeIpServers.clear();
}

bool ServiceSimulator::UseCertificate(const QString& certificatePath, const QString& keyPath, QString* error)
{
    const QList<QSslCertificate> certificates = QSslCertificate::fromPath(certificatePath, QSsl::Pem);
    QFile keyFile(keyPath);
    if (certificates.isEmpty() || !keyFile.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("cannot read certificate %1 or key %2").arg(certificatePath, keyPath);
        return false;
    }
    const QByteArray keyPem = keyFile.readAll();
    QSslKey key(keyPem, QSsl::Ec, QSsl::Pem);
    if (key.isNull())
        key = QSslKey(keyPem, QSsl::Rsa, QSsl::Pem);
    if (key.isNull()) {
        if (error)
            *error = QStringLiteral("cannot read the private key %1").arg(keyPath);
        return false;
    }
    m_sslConfiguration = QSslConfiguration::defaultConfiguration();
    m_sslConfiguration.setLocalCertificateChain(certificates);
    m_sslConfiguration.setPrivateKey(key);
    m_sslConfiguration.setPeerVerifyMode(QSslSocket::VerifyNone);
    m_certificates.serverCertificate = certificatePath;
    m_certificates.serverKey = keyPath;
    return true;
}

bool ServiceSimulator::GenerateCertificate(const QString& directory, const QHostAddress& address,
                                           QString* error)
{
    QStringList addresses {QStringLiteral("127.0.0.1")};
    if (!address.isNull() && address != QHostAddress::Any && address != QHostAddress::AnyIPv4
        && !addresses.contains(address.toString()))
        addresses << address.toString();
    SimCertificatePaths paths;
    if (!SimCertificates::Generate(directory, addresses, &paths, error))
        return false;
    if (!UseCertificate(paths.serverCertificate, paths.serverKey, error))
        return false;
    m_certificates = paths;
    return true;
}

bool ServiceSimulator::Start(const QHostAddress& address, quint16 port, QString* error)
{
    if (m_sslConfiguration.localCertificate().isNull()) {
        if (error)
            *error = QStringLiteral("no server certificate");
        return false;
    }
    m_server = std::make_unique<QSslServer>();
    m_server->setSslConfiguration(m_sslConfiguration);
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this,
            &ServiceSimulator::OnApiConnection);
    if (!m_server->listen(address, port)) {
        if (error)
            *error = m_server->errorString();
        m_server.reset();
        return false;
    }
    WriteAccountsFile();
    return true;
}

bool ServiceSimulator::StartChangeIpListener(const QHostAddress& address, quint16 port, QString* error)
{
    auto server = std::make_unique<QTcpServer>();
    QTcpServer* listener = server.get();
    connect(listener, &QTcpServer::newConnection, this, [this, listener] { OnChangeIpConnection(listener); });
    QString reason;
    if (!ListenOnAnyAddress(*listener, address, port, &reason)) {
        if (error)
            *error = reason;
        return false;
    }
    m_changeIpServers.push_back(std::move(server));
    return true;
}

quint16 ServiceSimulator::Port() const
{
    return m_server ? m_server->serverPort() : 0;
}

quint16 ServiceSimulator::ChangeIpListenerPort() const
{
    return m_changeIpServers.empty() ? 0 : m_changeIpServers.front()->serverPort();
}

QString ServiceSimulator::HostAndPort() const
{
    if (!m_server)
        return QString();
    QHostAddress address = m_server->serverAddress();
    if (address == QHostAddress::Any || address == QHostAddress::AnyIPv4)
        address = QHostAddress::LocalHost;
    return QStringLiteral("%1:%2").arg(address.toString()).arg(m_server->serverPort());
}

void ServiceSimulator::AddAccount(const SimAccount& account)
{
    m_accounts.insert(account.key, account);
    if (m_server)
        WriteAccountsFile();
}

bool ServiceSimulator::LoadCatalog(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("cannot read catalog %1").arg(path);
        return false;
    }
    return SetCatalog(file.readAll(), error);
}

bool ServiceSimulator::SetCatalog(const QByteArray& serversXml, QString* error)
{
    QXmlStreamReader reader(serversXml);
    bool rootSeen = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && !rootSeen) {
            rootSeen = true;
            if (reader.name() != QLatin1String("servers")) {
                reader.raiseError(QStringLiteral("the root element must be <servers>"));
                break;
            }
        }
    }
    if (reader.hasError() || !rootSeen) {
        if (error)
            *error
                = QStringLiteral("catalog: %1 (line %2)").arg(reader.errorString()).arg(reader.lineNumber());
        return false;
    }
    // Served without its XML declaration, inside the reply's data element.
    const qsizetype root = serversXml.indexOf("<servers");
    m_catalog = serversXml.mid(root).trimmed();
    return true;
}

void ServiceSimulator::SetDataDirectory(const QString& directory)
{
    m_dataDirectory = directory;
    QDir().mkpath(directory);
}

QString ServiceSimulator::DataDirectory() const
{
    if (!m_dataDirectory.isEmpty())
        return m_dataDirectory;
    auto* self = const_cast<ServiceSimulator*>(this);
    if (!self->m_temporaryData)
        self->m_temporaryData = std::make_unique<QTemporaryDir>();
    return m_temporaryData->path();
}

bool ServiceSimulator::MapExitAddress(const QString& source, const QString& exitAddress)
{
    if (source.contains(QLatin1Char('/'))) {
        const QPair<QHostAddress, int> network = QHostAddress::parseSubnet(source);
        if (network.first.isNull())
            return false;
        m_networkExits.removeIf([&network](const NetworkExit& known) { return known.network == network; });
        m_networkExits.append(NetworkExit {network, exitAddress});
        return true;
    }
    if (QHostAddress(source).isNull())
        return false;
    m_exitAddresses.insert(source, exitAddress);
    return true;
}

QString ServiceSimulator::ExitAddressFor(const QString& source) const
{
    const auto exact = m_exitAddresses.constFind(source);
    if (exact != m_exitAddresses.constEnd())
        return exact.value();
    const QHostAddress address(source);
    const NetworkExit* best = nullptr;
    for (const NetworkExit& known : m_networkExits) {
        if (address.isInSubnet(known.network) && (!best || known.network.second > best->network.second))
            best = &known;
    }
    return best ? best->exitAddress : source;
}

QString ServiceSimulator::TicketDirectory(int ticketNumber) const
{
    return DataDirectory() + QStringLiteral("/tickets/%1").arg(ticketNumber);
}

QStringList ServiceSimulator::ReadAccountKeys(const QString& dataDirectory)
{
    QStringList keys;
    QFile file(dataDirectory + QStringLiteral("/accounts.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return keys;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QString key = QString::fromUtf8(line).section(QLatin1Char(':'), 0, 0).trimmed();
        if (!key.isEmpty())
            keys << key;
    }
    return keys;
}

void ServiceSimulator::WriteAccountsFile() const
{
    if (m_dataDirectory.isEmpty())
        return;
    QFile file(m_dataDirectory + QStringLiteral("/accounts.txt"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    for (const SimAccount& account : m_accounts)
        file.write(QStringLiteral("%1:%2:%3\n").arg(account.key, account.userName, account.email).toUtf8());
}

QString ServiceSimulator::PeerText(const QHostAddress& address)
{
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4).toString() : address.toString();
}

void ServiceSimulator::OnApiConnection()
{
    while (m_server && m_server->hasPendingConnections()) {
        auto* socket = qobject_cast<QSslSocket*>(m_server->nextPendingConnection());
        if (!socket)
            continue;
        socket->setParent(this);
        m_parsers.insert(socket, HttpRequestParser());
        connect(socket, &QIODevice::readyRead, this, [this, socket] { OnApiData(socket); });
        connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, this, [this, socket] { m_parsers.remove(socket); });
        if (socket->bytesAvailable() > 0)
            OnApiData(socket);
    }
}

void ServiceSimulator::OnApiData(QSslSocket* socket)
{
    auto parser = m_parsers.find(socket);
    if (parser == m_parsers.end())
        return;
    const HttpRequestParser::State state = parser->Feed(socket->readAll());
    if (state == HttpRequestParser::State::Incomplete)
        return;
    socket->disconnect(this);
    connect(socket, &QObject::destroyed, this, [this, socket] { m_parsers.remove(socket); });
    if (state == HttpRequestParser::State::Invalid) {
        Reply reply;
        reply.status = parser->ErrorStatus();
        reply.contentType = "text/plain";
        reply.body = ReasonPhrase(reply.status);
        SendReply(socket, reply);
        return;
    }

    HttpRequest request = parser->Request();
    request.peer = socket->peerAddress();
    m_requests.append(request);
    emit RequestReceived(request);
    const Reply reply = Handle(request);
    if (m_responseDelayMs > 0) {
        QPointer<QSslSocket> guarded(socket);
        QTimer::singleShot(m_responseDelayMs, this, [this, guarded, reply] {
            if (guarded)
                SendReply(guarded, reply);
        });
    } else {
        SendReply(socket, reply);
    }
}

void ServiceSimulator::SendReply(QSslSocket* socket, const Reply& reply)
{
    QByteArray head
        = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + ReasonPhrase(reply.status) + "\r\n";
    head += "Content-Type: " + reply.contentType + "\r\n";
    head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    head += "Connection: close\r\n\r\n";
    socket->write(head + reply.body);
    socket->disconnectFromHost();
}

ServiceSimulator::Reply ServiceSimulator::Envelope(const QByteArray& type, const QByteArray& code,
                                                   const QString& message, const QByteArray& dataXml,
                                                   bool withData)
{
    Reply reply;
    reply.body = kXmlDeclaration + "<response><type>" + type + "</type>";
    if (!code.isEmpty())
        reply.body += "<code>" + code + "</code>";
    reply.body += "<message>" + Escaped(message) + "</message>";
    if (withData)
        reply.body += "<data>" + dataXml + "</data>";
    reply.body += "</response>\n";
    return reply;
}

const SimAccount* ServiceSimulator::AccountFor(const QMap<QString, QString>& fields) const
{
    const auto it = m_accounts.constFind(fields.value(QStringLiteral("serial")));
    return it == m_accounts.constEnd() ? nullptr : &it.value();
}

bool ServiceSimulator::CatalogHasAddress(const QString& address) const
{
    QXmlStreamReader reader(m_catalog);
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == QLatin1String("server")
            && reader.attributes().value(QLatin1String("ip")) == address)
            return true;
    }
    return false;
}

QByteArray ServiceSimulator::CatalogForRegion(const QString& region) const
{
    return region.isEmpty() ? m_catalog : FilterCatalog(m_catalog, region);
}

QString ServiceSimulator::PublicLinkBase() const
{
    return QStringLiteral("https://") + HostAndPort();
}

ServiceSimulator::Reply ServiceSimulator::Handle(const HttpRequest& request)
{
    if (m_httpError != 0) {
        Reply reply;
        reply.status = m_httpError;
        reply.contentType = "text/html";
        reply.body = "<html><head><title>" + QByteArray::number(m_httpError) + ' ' + ReasonPhrase(m_httpError)
            + "</title></head><body><h1>" + ReasonPhrase(m_httpError) + "</h1></body></html>\n";
        return reply;
    }
    if (m_malformed)
        return Reply {200, "text/xml; charset=utf-8",
                      kXmlDeclaration + "<response><type>success</type><data><servers>"};
    if (request.method == "GET" && request.Path() == AppcastPath)
        return HandleAppcast();
    if (request.method != "POST") {
        Reply reply;
        reply.status = 405;
        reply.contentType = "text/plain";
        reply.body = "POST only\n";
        return reply;
    }

    const QByteArray path = request.Path();
    if (path == "/3/addLogTicket")
        return HandleTicket(request);

    const QMap<QString, QString> fields = request.FormFields();
    if (fields.value(QStringLiteral("api_key")) != m_apiKey)
        return Envelope("error", "api_key_not_found", QStringLiteral("API key not found"));

    if (path == "/1/getRequestEntityIp") {
        Reply reply;
        reply.contentType = "text/plain";
        reply.body = ExitAddressFor(PeerText(request.peer)).toUtf8();
        return reply;
    }

    static const QList<QByteArray> kAccountScripts
        = {"/3/getServerList", "/3/getVpnNetworkAccountIpAnchor", "/3/doAnchorVpnNetworkAccountIp",
           "/3/doUnanchorVpnNetworkAccountIp", "/3/getUserInfo"};
    if (!kAccountScripts.contains(path))
        return Envelope("error", "api_function_not_found", QStringLiteral("No such function"));

    const SimAccount* account = AccountFor(fields);
    if (!account)
        return Envelope("error", "api_wrong_id", QStringLiteral("Wrong account key"));

    if (path == "/3/getServerList")
        return Envelope("success", QByteArray(), QString(),
                        CatalogForRegion(fields.value(QStringLiteral("region_name"))), true);
    if (path == "/3/getVpnNetworkAccountIpAnchor")
        return Envelope("success", QByteArray(), QString(), Escaped(m_anchors.value(account->key)), true);
    if (path == "/3/doAnchorVpnNetworkAccountIp") {
        const QString address = fields.value(QStringLiteral("server_ip"));
        if (!CatalogHasAddress(address))
            return Envelope("error", "generic", QStringLiteral("Unknown server"));
        m_anchors.insert(account->key, address);
        return Envelope("success", QByteArray(), QStringLiteral("Anchored"));
    }
    if (path == "/3/doUnanchorVpnNetworkAccountIp") {
        m_anchors.remove(account->key);
        return Envelope("success", QByteArray(), QStringLiteral("Unanchored"));
    }
    // getUserInfo
    return Envelope("success", QByteArray(), QString(),
                    "<clientinfo><username>" + Escaped(account->userName) + "</username><email>"
                        + Escaped(account->email) + "</email></clientinfo>",
                    true);
}

QByteArray ServiceSimulator::AppcastFor(const QString& version, const QString& linkBase)
{
    const QString sparkle = QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");
    QByteArray feed;
    QXmlStreamWriter writer(&feed);
    writer.setAutoFormatting(true);
    writer.writeStartDocument();
    writer.writeNamespace(sparkle, QStringLiteral("sparkle"));
    writer.writeStartElement(QStringLiteral("rss"));
    writer.writeAttribute(QStringLiteral("version"), QStringLiteral("2.0"));
    writer.writeStartElement(QStringLiteral("channel"));
    writer.writeTextElement(QStringLiteral("title"), QStringLiteral("Norvane for Linux"));
    writer.writeStartElement(QStringLiteral("item"));
    writer.writeTextElement(QStringLiteral("title"), QStringLiteral("Norvane ") + version);
    writer.writeTextElement(QStringLiteral("description"),
                            QStringLiteral("<h2>Norvane %1</h2><ul><li>Faster connects</li>"
                                           "<li>Fixes &amp; translations</li></ul>")
                                .arg(version.toHtmlEscaped()));
    writer.writeTextElement(QStringLiteral("pubDate"),
                            QDateTime::currentDateTimeUtc().toString(Qt::RFC2822Date));
    writer.writeEmptyElement(QStringLiteral("enclosure"));
    writer.writeAttribute(QStringLiteral("url"),
                          QStringLiteral("%1/downloads/norvane_%2_amd64.deb").arg(linkBase, version));
    writer.writeAttribute(sparkle, QStringLiteral("version"), version);
    writer.writeAttribute(QStringLiteral("type"), QStringLiteral("application/vnd.debian.binary-package"));
    writer.writeEndDocument();
    return feed;
}

ServiceSimulator::Reply ServiceSimulator::HandleAppcast() const
{
    Reply reply;
    reply.contentType = "application/rss+xml; charset=utf-8";
    if (m_appcast) {
        reply.body = *m_appcast;
    } else if (!m_offeredVersion.isEmpty()) {
        reply.body = AppcastFor(m_offeredVersion, PublicLinkBase());
    } else {
        reply.status = 404;
        reply.contentType = "text/plain";
        reply.body = "No update feed\n";
    }
    return reply;
}

ServiceSimulator::Reply ServiceSimulator::HandleTicket(const HttpRequest& request)
{
    QList<MultipartPart> parts;
    const QByteArray boundary = MultipartParser::BoundaryOf(request.Header("Content-Type"));
    if (!MultipartParser::Parse(request.body, boundary, &parts))
        return Envelope("error", "generic", QStringLiteral("Malformed ticket"));

    QMap<QByteArray, MultipartPart> byName;
    for (const MultipartPart& part : parts)
        byName.insert(part.name, part);
    if (QString::fromLatin1(byName.value("api_key").content) != m_apiKey)
        return Envelope("error", "api_key_not_found", QStringLiteral("API key not found"));
    if (!byName.contains("support_file") || !byName.contains("log_file"))
        return Envelope("error", "generic", QStringLiteral("Ticket files missing"));

    const int number = ++m_ticketCount;
    const QString directory = TicketDirectory(number);
    QDir().mkpath(directory);
    const auto store = [&directory](const QString& name, const QByteArray& content) {
        QFile file(directory + QLatin1Char('/') + name);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
    };
    QByteArray fieldsText;
    for (const char* name : {"email", "software_version", "os_version"}) {
        if (byName.contains(name))
            fieldsText += QByteArray(name) + '=' + byName.value(name).content + '\n';
    }
    const bool stored = store(QStringLiteral("fields.txt"), fieldsText)
        && store(QStringLiteral("support_file.txt"),
                 QByteArray::fromBase64(byName.value("support_file").content))
        && store(QStringLiteral("log_file.txt"), QByteArray::fromBase64(byName.value("log_file").content));
    if (!stored)
        return Envelope("error", "generic", QStringLiteral("Ticket could not be stored"));
    emit TicketStored(directory);
    const QString link = PublicLinkBase() + QStringLiteral("/tickets/%1").arg(number);
    return Envelope("success", QByteArray(), QStringLiteral("Ticket created"), Escaped(link), true);
}

void ServiceSimulator::OnChangeIpConnection(QTcpServer* server)
{
    while (server->hasPendingConnections()) {
        QTcpSocket* socket = server->nextPendingConnection();
        socket->setParent(this);
        connect(socket, &QIODevice::readyRead, this, [this, socket] { OnChangeIpData(socket, false); });
        connect(socket, &QAbstractSocket::disconnected, this, [this, socket] {
            OnChangeIpData(socket, true);
            socket->deleteLater();
        });
    }
}

void ServiceSimulator::OnChangeIpData(QTcpSocket* socket, bool final)
{
    QByteArray& buffer = m_changeIpBuffers[socket];
    buffer += socket->readAll();
    qsizetype newline = -1;
    while ((newline = buffer.indexOf('\n')) >= 0) {
        RecordChangeIpMessage(PeerText(socket->peerAddress()),
                              QString::fromLatin1(buffer.left(newline)).trimmed());
        buffer.remove(0, newline + 1);
    }
    if (final) {
        if (!buffer.trimmed().isEmpty())
            RecordChangeIpMessage(PeerText(socket->peerAddress()), QString::fromLatin1(buffer).trimmed());
        m_changeIpBuffers.remove(socket);
    }
}

void ServiceSimulator::RecordChangeIpMessage(const QString& peer, const QString& message)
{
    m_changeIpMessages << message;
    const QString newExit = QStringLiteral("203.0.113.%1").arg(m_nextExitHost);
    m_nextExitHost = m_nextExitHost >= 250 ? 100 : m_nextExitHost + 1;
    MapExitAddress(peer, newExit);
    // The message is "<account key>_<tunnel address>": the service sees the tunnel address.
    const QString tunnelAddress = message.section(QLatin1Char('_'), -1);
    if (!QHostAddress(tunnelAddress).isNull())
        MapExitAddress(tunnelAddress, newExit);

    QFile log(DataDirectory() + QStringLiteral("/change-ip.log"));
    if (log.open(QIODevice::WriteOnly | QIODevice::Append)) {
        log.write(QStringLiteral("%1 %2 \"%3\" -> %4\n")
                      .arg(QDateTime::currentDateTimeUtc().toString(Qt::ISODate), peer, message, newExit)
                      .toUtf8());
    }
    emit ChangeIpMessageReceived(peer, message, newExit);
}
