#pragma once

#include "httprequestparser.h"
#include "simcertificates.h"

#include <QHash>
#include <QHostAddress>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QSslConfiguration>
#include <QTemporaryDir>

#include <memory>
#include <optional>
#include <vector>

class QSslServer;
class QSslSocket;
class QTcpServer;
class QTcpSocket;

// One account the simulated service knows.
struct SimAccount
{
    QString key;
    QString userName;
    QString email;
};

/**
 * Plays the service side for tests, the demo and the end-to-end world: the HTTPS script API
 * (accounts, server catalog, anchors, public address, support tickets), the web site's update
 * feed, the change-IP listener, and faults on demand (slow, malformed, HTTP errors). Every API request is
 * kept byte for byte so tests can check what went over the wire.
 */
class ServiceSimulator : public QObject
{
    Q_OBJECT
public:
    static constexpr quint16 ChangeIpPort = 9988;
    // Where the web site serves the appcast of the Linux program (the same server as the API).
    static constexpr char AppcastPath[] = "/updates/linux/appcast.xml";

    explicit ServiceSimulator(QObject* parent = nullptr);
    ~ServiceSimulator() override;

    // Serves HTTPS with the given certificate and key (PEM). Call before Start.
    bool UseCertificate(const QString& certificatePath, const QString& keyPath, QString* error = nullptr);
    // Generates a CA and a server certificate for address into directory and uses them.
    bool GenerateCertificate(const QString& directory, const QHostAddress& address, QString* error = nullptr);
    QString CaCertificatePath() const { return m_certificates.caCertificate; }

    bool Start(const QHostAddress& address = QHostAddress::LocalHost, quint16 port = 0,
               QString* error = nullptr);
    // Adds a change-IP listener; call once per address. On Linux the address need not exist
    // yet: the server side of a tunnel gets its address only when the VPN server brings the
    // tunnel up, and keeps the listener across server restarts.
    bool StartChangeIpListener(const QHostAddress& address, quint16 port = ChangeIpPort,
                               QString* error = nullptr);
    quint16 Port() const;
    // The port of the first change-IP listener.
    quint16 ChangeIpListenerPort() const;
    // "address:port", the value for the client's API host.
    QString HostAndPort() const;

    void SetApiKey(const QString& apiKey) { m_apiKey = apiKey; }
    void AddAccount(const SimAccount& account);
    QList<SimAccount> Accounts() const { return m_accounts.values(); }
    bool LoadCatalog(const QString& path, QString* error = nullptr);
    // The catalog as a <servers> document (what the reply's data element holds).
    bool SetCatalog(const QByteArray& serversXml, QString* error = nullptr);
    void SetAnchor(const QString& accountKey, const QString& address)
    {
        m_anchors.insert(accountKey, address);
    }
    QString Anchor(const QString& accountKey) const { return m_anchors.value(accountKey); }
    // Tickets, the change-IP log and accounts.txt go here; a private temporary folder otherwise.
    void SetDataDirectory(const QString& directory);
    QString DataDirectory() const;
    // getRequestEntityIp answers exitAddress to requests from source: one address, or a
    // network "address/prefix length" (a tunnel's address pool). An address mapping wins over
    // a network mapping, a longer prefix over a shorter one. False when source is neither.
    bool MapExitAddress(const QString& source, const QString& exitAddress);
    QString ExitAddressFor(const QString& source) const;

    // The appcast offers one release of this version, downloaded from this server; with no
    // version the appcast answers 404 Not Found.
    void SetOfferedVersion(const QString& version)
    {
        m_offeredVersion = version;
        m_appcast.reset();
    }
    // The appcast answers exactly this text instead (a test's own feed, broken ones included).
    void SetAppcast(const QByteArray& feed) { m_appcast = feed; }
    // A Sparkle feed with one release of version, its download under linkBase.
    static QByteArray AppcastFor(const QString& version, const QString& linkBase);

    // Fault injection.
    void SetResponseDelay(int milliseconds) { m_responseDelayMs = milliseconds; }
    void SetMalformedReplies(bool malformed) { m_malformed = malformed; }
    // 0 answers normally; any other value answers every request with that HTTP status.
    void SetHttpError(int status) { m_httpError = status; }

    const QList<HttpRequest>& Requests() const { return m_requests; }
    void ClearRequests() { m_requests.clear(); }
    QStringList ChangeIpMessages() const { return m_changeIpMessages; }
    int TicketCount() const { return m_ticketCount; }
    QString TicketDirectory(int ticketNumber) const;

    // The account keys in the data folder's accounts.txt, one "key[:user:email]" per line.
    static QStringList ReadAccountKeys(const QString& dataDirectory);

signals:
    void RequestReceived(const HttpRequest& request);
    void ChangeIpMessageReceived(const QString& peer, const QString& message, const QString& newExitAddress);
    void TicketStored(const QString& directory);

private slots:
    void OnApiConnection();

private:
    void OnChangeIpConnection(QTcpServer* server);
    struct Reply
    {
        int status = 200;
        QByteArray contentType = "text/xml; charset=utf-8";
        QByteArray body;
    };

    void OnApiData(QSslSocket* socket);
    void OnChangeIpData(QTcpSocket* socket, bool final);
    Reply Handle(const HttpRequest& request);
    Reply HandleTicket(const HttpRequest& request);
    Reply HandleAppcast() const;
    void SendReply(QSslSocket* socket, const Reply& reply);
    const SimAccount* AccountFor(const QMap<QString, QString>& fields) const;
    bool CatalogHasAddress(const QString& address) const;
    QByteArray CatalogForRegion(const QString& region) const;
    QString PublicLinkBase() const;
    void WriteAccountsFile() const;
    void RecordChangeIpMessage(const QString& peer, const QString& message);

    static Reply Envelope(const QByteArray& type, const QByteArray& code, const QString& message,
                          const QByteArray& dataXml = QByteArray(), bool withData = false);
    static QString PeerText(const QHostAddress& address);

    std::unique_ptr<QSslServer> m_server;
    std::vector<std::unique_ptr<QTcpServer>> m_changeIpServers;
    QSslConfiguration m_sslConfiguration;
    SimCertificatePaths m_certificates;
    QHash<QObject*, HttpRequestParser> m_parsers;
    QHash<QObject*, QByteArray> m_changeIpBuffers;

    QString m_apiKey = QStringLiteral("Tq3vWz8p");
    QMap<QString, SimAccount> m_accounts;
    QMap<QString, QString> m_anchors;
    QByteArray m_catalog;
    QString m_offeredVersion;
    std::optional<QByteArray> m_appcast;
    struct NetworkExit
    {
        QPair<QHostAddress, int> network;
        QString exitAddress;
    };
    QHash<QString, QString> m_exitAddresses;
    QList<NetworkExit> m_networkExits;
    int m_nextExitHost = 100;
    QString m_dataDirectory;
    std::unique_ptr<QTemporaryDir> m_temporaryData;

    int m_responseDelayMs = 0;
    bool m_malformed = false;
    int m_httpError = 0;

    QList<HttpRequest> m_requests;
    QStringList m_changeIpMessages;
    int m_ticketCount = 0;
};
