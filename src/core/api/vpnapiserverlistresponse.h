#pragma once

#include "api/vpnapiresponse.h"
#include "api/vpnserver.h"

class QXmlStreamReader;

// The getServerList payload, flattened into one list of UDP and one of TCP endpoints, each in
// document order. A reply without data keeps the previous lists. Servers whose address is not
// an IPv4 address and ports outside 1..65535 are left out (and logged), and so is everything
// after the first MaxEndpoints endpoints.
//
// The reply is read as a stream, fed to the reader a piece at a time, rather than built into a
// document: a list of thousands of servers would otherwise cost several times its size in
// memory. Even so a large list takes tens of milliseconds to read, so the queue reads it off the
// GUI thread (OffThreadReader()).
class VPNApiServerListResponse : public VPNApiResponse
{
    Q_OBJECT
public:
    static constexpr qsizetype MaxEndpoints = 2000;
    // Characters handed to the reader at a time.
    static constexpr qsizetype PieceSize = 16384;

    explicit VPNApiServerListResponse(QObject* parent = nullptr);

    const QList<VPNServer>& UdpServers() const { return m_udpServers; }
    const QList<VPNServer>& TcpServers() const { return m_tcpServers; }

    Reader OffThreadReader() const override { return &ReadReply; }

protected:
    void ParseXml(const QString& text) override;

private:
    class Pass;
    // What one reply holds; wellFormed false for a reply that is not XML.
    struct Content
    {
        bool wellFormed = false;
        QString typeText;
        QString codeText;
        QString message;
        bool dataSeen = false;
        QList<VPNServer> udp;
        QList<VPNServer> tcp;
    };

    // Touches no object: runs on whichever thread reads the reply.
    static Content Read(const QString& text);
    static Reading ReadReply(const QString& text);
    void Apply(const Content& content);

    QList<VPNServer> m_udpServers;
    QList<VPNServer> m_tcpServers;
};
