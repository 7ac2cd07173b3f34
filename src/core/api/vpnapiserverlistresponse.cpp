#include "api/vpnapiserverlistresponse.h"

#include "support/dottedquad.h"

#include <QDebug>
#include <QThread>
#include <QXmlStreamReader>

#include <vector>

namespace {

// Any text other than exactly "0" means yes; a missing attribute takes the given default.
bool FlagAttribute(const QXmlStreamAttributes& attributes, QLatin1String name, bool fallback)
{
    return attributes.hasAttribute(name) ? attributes.value(name) != QLatin1String("0") : fallback;
}

} // namespace

// One pass over a reply: what each open element is, the envelope's texts and the lists so far.
// Only the first element of each name counts where the reply has one (as with every other
// reply's envelope), and an element's text is all the text inside it, as a document gives it.
class VPNApiServerListResponse::Pass
{
public:
    enum class Role
    {
        Ignored,
        Response,
        Type,
        Code,
        Message,
        Data,
        Servers,
        Server,
        Ports,
        Port,
        // An element inside an element whose text is read: its text counts too.
        InText
    };

    // What was read so far.
    Content content;

    void Start(const QXmlStreamReader& reader)
    {
        const Role parent = m_open.empty() ? Role::Ignored : m_open.back();
        Role role = Role::Ignored;
        const auto first = [&reader](const char* name, bool& seen) {
            if (seen || reader.name() != QLatin1String(name))
                return false;
            seen = true;
            return true;
        };
        if (m_open.empty() && !m_rootSeen) {
            m_rootSeen = true;
            role = reader.name() == QLatin1String("response") ? Role::Response : Role::Ignored;
        } else if (parent == Role::Response) {
            if (first("type", m_typeSeen))
                role = Role::Type;
            else if (first("code", m_codeSeen))
                role = Role::Code;
            else if (first("message", m_messageSeen))
                role = Role::Message;
            else if (first("data", content.dataSeen))
                role = Role::Data;
        } else if (parent == Role::Data) {
            if (first("servers", m_serversSeen))
                role = Role::Servers;
        } else if (parent == Role::Servers && !m_full && reader.name() == QLatin1String("server")) {
            role = StartServer(reader.attributes()) ? Role::Server : Role::Ignored;
        } else if (parent == Role::Server && !m_full) {
            if (first("ports", m_portsSeen))
                role = Role::Ports;
        } else if (parent == Role::Ports && !m_full && reader.name() == QLatin1String("port")) {
            StartPort(reader.attributes());
            role = Role::Port;
        } else if (m_textDepth >= 0) {
            role = Role::InText;
        }
        if (m_textDepth < 0
            && (role == Role::Type || role == Role::Code || role == Role::Message || role == Role::Port)) {
            m_textDepth = int(m_open.size());
            m_text.clear();
        }
        m_open.push_back(role);
    }

    void Text(QStringView text)
    {
        if (m_textDepth >= 0)
            m_text += text;
    }

    void End()
    {
        const Role role = m_open.back();
        m_open.pop_back();
        if (int(m_open.size()) == m_textDepth)
            m_textDepth = -1;
        if (role == Role::Type)
            content.typeText = m_text;
        else if (role == Role::Code)
            content.codeText = m_text;
        else if (role == Role::Message)
            content.message = m_text;
        else if (role == Role::Port)
            EndPort();
    }

private:
    // False for a server that is left out.
    bool StartServer(const QXmlStreamAttributes& attributes)
    {
        m_server = VPNServer();
        m_server.description = attributes.value(QLatin1String("description")).toString();
        m_server.name = m_server.description;
        m_server.address = attributes.value(QLatin1String("ip")).toString();
        // The address goes into OpenVPN's configuration: anything but an IPv4 address is left out.
        if (!IsDottedQuad(m_server.address)) {
            qDebug() << "Server list: skipped" << m_server.description << "with address" << m_server.address;
            return false;
        }
        m_server.pointToPoint = FlagAttribute(attributes, QLatin1String("is_p2p"), false);
        m_server.loadPercentage = attributes.value(QLatin1String("load_percentage")).toInt();
        m_portsSeen = false;
        return true;
    }

    void StartPort(const QXmlStreamAttributes& attributes)
    {
        m_endpoint = m_server;
        m_endpoint.preferable = FlagAttribute(attributes, QLatin1String("is_preferable"), false);
        m_endpoint.available = FlagAttribute(attributes, QLatin1String("available"), true);
        const QString protocol = attributes.hasAttribute(QLatin1String("protocol"))
            ? attributes.value(QLatin1String("protocol")).toString()
            : QStringLiteral("TCP");
        m_endpoint.protocol
            = protocol.toLower().contains(QLatin1String("tcp")) ? VPNServer::Tcp : VPNServer::Udp;
    }

    void EndPort()
    {
        bool isNumber = false;
        m_endpoint.port = int(m_text.toUInt(&isNumber));
        if (!isNumber || m_endpoint.port < 1 || m_endpoint.port > 65535) {
            qDebug() << "Server list: skipped" << m_server.description << "port" << m_text;
            return;
        }
        QList<VPNServer>& udp = content.udp;
        QList<VPNServer>& tcp = content.tcp;
        if (udp.size() + tcp.size() >= MaxEndpoints) {
            qDebug() << "Server list: more than" << MaxEndpoints << "endpoints; the rest is left out.";
            m_full = true;
            return;
        }
        if (udp.isEmpty() && tcp.isEmpty())
            qDebug() << "First server: " << m_endpoint.name;
        (m_endpoint.protocol == VPNServer::Udp ? udp : tcp).append(m_endpoint);
    }

    std::vector<Role> m_open;
    bool m_rootSeen = false;
    bool m_typeSeen = false;
    bool m_codeSeen = false;
    bool m_messageSeen = false;
    bool m_serversSeen = false;
    bool m_portsSeen = false;
    bool m_full = false;
    // The depth of the element whose text is being read, -1 when none is.
    int m_textDepth = -1;
    QString m_text;
    VPNServer m_server;
    VPNServer m_endpoint;
};

VPNApiServerListResponse::VPNApiServerListResponse(QObject* parent)
    : VPNApiResponse(false, parent)
{ }

VPNApiServerListResponse::Content VPNApiServerListResponse::Read(const QString& text)
{
    QXmlStreamReader reader;
    reader.setNamespaceProcessing(false);
    Pass pass;
    qsizetype fed = 0;
    // The whole text must be well-formed, whatever was read from it.
    while (true) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement)
            pass.Start(reader);
        else if (token == QXmlStreamReader::EndElement)
            pass.End();
        else if (token == QXmlStreamReader::Characters)
            pass.Text(reader.text());
        else if (reader.error() == QXmlStreamReader::PrematureEndOfDocumentError && fed < text.size()) {
            // Read on a worker whose owner is going away: the result would be dropped anyway.
            if (QThread::currentThread()->isInterruptionRequested())
                return {};
            // The reader has read what it was given; a string added to it is never decoded
            // again by its encoding declaration.
            qsizetype size = qMin(PieceSize, text.size() - fed);
            // A piece never ends between the two halves of a surrogate pair.
            if (fed + size < text.size() && text.at(fed + size - 1).isHighSurrogate())
                --size;
            reader.addData(text.mid(fed, size));
            fed += size;
        } else if (reader.atEnd()) {
            break;
        }
    }
    if (reader.hasError()) {
        qDebug() << "XML Error at line " << reader.lineNumber() << "column " << reader.columnNumber() << ":"
                 << reader.errorString();
        return {};
    }

    Content content = std::move(pass.content);
    content.wellFormed = true;
    if (content.dataSeen) {
        qDebug() << "Found " << content.udp.size() << " UDP servers.";
        qDebug() << "Found " << content.tcp.size() << " TCP servers.";
    }
    return content;
}

VPNApiResponse::Reading VPNApiServerListResponse::ReadReply(const QString& text)
{
    qDebug() << "API reply:" << text;
    auto content = std::make_shared<const Content>(Read(text));
    return [content](VPNApiResponse& response) {
        static_cast<VPNApiServerListResponse&>(response).Apply(*content);
    };
}

void VPNApiServerListResponse::ParseXml(const QString& text)
{
    Apply(Read(text));
}

void VPNApiServerListResponse::Apply(const Content& content)
{
    if (!content.wellFormed) {
        SetMalformed();
        return;
    }
    SetEnvelope(content.typeText, content.codeText, content.message);
    if (!content.dataSeen)
        return;
    m_udpServers = content.udp;
    m_tcpServers = content.tcp;
}
