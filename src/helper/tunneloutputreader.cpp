#include "tunneloutputreader.h"

#include <QHostAddress>
#include <QRegularExpression>

namespace {

constexpr qsizetype MaxServers = 8;
constexpr qsizetype MaxDomains = 8;

bool IsDomain(const QByteArray& name)
{
    static const QRegularExpression domain(
        QStringLiteral("^(?=.{1,253}$)([A-Za-z0-9_]([A-Za-z0-9_-]{0,61}[A-Za-z0-9_])?\\.)*"
                       "[A-Za-z0-9_]([A-Za-z0-9_-]{0,61}[A-Za-z0-9_])?\\.?$"));
    return domain.match(QString::fromLatin1(name)).hasMatch();
}

} // namespace

TunnelOutputReader::Event TunnelOutputReader::Feed(const QByteArray& line)
{
    static const QByteArray pushMarker = "PUSH: Received control message: 'PUSH_REPLY,";
    static const QByteArray devicePrefix = "TUN/TAP device ";
    if (const qsizetype push = line.indexOf(pushMarker); push >= 0) {
        QByteArray options = line.mid(push + pushMarker.size());
        if (options.endsWith('\''))
            options.chop(1);
        ReadPushReply(options);
        return Event::None;
    }
    if (const qsizetype device = line.indexOf(devicePrefix); device >= 0 && line.endsWith(" opened")) {
        const QByteArray name
            = line.mid(device + devicePrefix.size()).chopped(qsizetype(sizeof(" opened")) - 1);
        static const QRegularExpression interfaceName(QStringLiteral("^[A-Za-z0-9_.-]{1,15}$"));
        if (interfaceName.match(QString::fromLatin1(name)).hasMatch())
            m_device = QString::fromLatin1(name);
        return Event::None;
    }
    if (line.contains("Initialization Sequence Completed"))
        return Event::Completed;
    if (line.contains("Restart pause") || line.contains("SIGUSR1[") || line.contains("SIGHUP[")) {
        m_dnsServers.clear();
        m_domains.clear();
        m_pushContinues = false;
        return Event::Restarting;
    }
    return Event::None;
}

void TunnelOutputReader::ReadPushReply(const QByteArray& options)
{
    // A reply too long for one message comes in parts, all but the last saying "push-continuation 2".
    if (!m_pushContinues) {
        m_dnsServers.clear();
        m_domains.clear();
    }
    m_pushContinues = false;
    const QList<QByteArray> parts = options.split(',');
    for (const QByteArray& part : parts) {
        const QList<QByteArray> words = part.simplified().split(' ');
        if (words.size() == 2 && words.at(0) == "push-continuation") {
            m_pushContinues = words.at(1) == "2";
            continue;
        }
        if (words.size() != 3 || words.at(0) != "dhcp-option")
            continue;
        const QByteArray& kind = words.at(1);
        const QByteArray& value = words.at(2);
        if (kind == "DNS" || kind == "DNS6") {
            const QHostAddress address(QString::fromLatin1(value));
            // OpenVPN 2.6 takes either family after DNS; DNS6 is IPv6 only.
            const bool family = address.protocol() == QAbstractSocket::IPv6Protocol
                || (kind == "DNS" && address.protocol() == QAbstractSocket::IPv4Protocol);
            if (family && address.scopeId().isEmpty() && !m_dnsServers.contains(address.toString())
                && m_dnsServers.size() < MaxServers)
                m_dnsServers << address.toString();
        } else if ((kind == "DOMAIN" || kind == "DOMAIN-SEARCH") && IsDomain(value)
                   && !m_domains.contains(QString::fromLatin1(value)) && m_domains.size() < MaxDomains) {
            m_domains << QString::fromLatin1(value);
        }
    }
}
