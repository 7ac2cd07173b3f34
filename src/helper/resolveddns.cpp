#include "resolveddns.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QHostAddress>
#include <QtEndian>

#include <net/if.h>
#include <sys/socket.h>
#include <utility>

namespace {

const QString Path = QStringLiteral("/org/freedesktop/resolve1");
const QString Manager = QStringLiteral("org.freedesktop.resolve1.Manager");
constexpr int CallLimitMs = 5000;

// The entries of SetLinkDNS's a(iay) and SetLinkDomains's a(sb).
struct LinkAddress
{
    int family = AF_INET;
    QByteArray bytes; // network order
};
struct LinkDomain
{
    QString name;
    bool routingOnly = false;
};

QDBusArgument& operator<<(QDBusArgument& argument, const LinkAddress& address)
{
    argument.beginStructure();
    argument << address.family << address.bytes;
    argument.endStructure();
    return argument;
}
const QDBusArgument& operator>>(const QDBusArgument& argument, LinkAddress& address)
{
    argument.beginStructure();
    argument >> address.family >> address.bytes;
    argument.endStructure();
    return argument;
}
QDBusArgument& operator<<(QDBusArgument& argument, const LinkDomain& domain)
{
    argument.beginStructure();
    argument << domain.name << domain.routingOnly;
    argument.endStructure();
    return argument;
}
const QDBusArgument& operator>>(const QDBusArgument& argument, LinkDomain& domain)
{
    argument.beginStructure();
    argument >> domain.name >> domain.routingOnly;
    argument.endStructure();
    return argument;
}

} // namespace

Q_DECLARE_METATYPE(LinkAddress)
Q_DECLARE_METATYPE(LinkDomain)

namespace {

QList<LinkAddress> Addresses(const QStringList& servers)
{
    QList<LinkAddress> addresses;
    for (const QString& server : servers) {
        const QHostAddress address(server);
        LinkAddress entry;
        if (address.protocol() == QAbstractSocket::IPv4Protocol) {
            const quint32 value = qToBigEndian(address.toIPv4Address());
            entry.bytes = QByteArray(reinterpret_cast<const char*>(&value), sizeof(value));
        } else {
            entry.family = AF_INET6;
            const Q_IPV6ADDR value = address.toIPv6Address();
            entry.bytes = QByteArray(reinterpret_cast<const char*>(value.c), 16);
        }
        addresses << entry;
    }
    return addresses;
}

// The search domains, and "~." as routing-only domain so every query goes to the link.
QList<LinkDomain> Domains(const QStringList& names)
{
    QList<LinkDomain> domains;
    for (const QString& name : names)
        domains << LinkDomain {name, false};
    domains << LinkDomain {QStringLiteral("~."), true};
    return domains;
}

} // namespace

ResolvedDns::ResolvedDns(QDBusConnection bus)
    : m_bus(std::move(bus))
{
    qDBusRegisterMetaType<LinkAddress>();
    qDBusRegisterMetaType<QList<LinkAddress>>();
    qDBusRegisterMetaType<LinkDomain>();
    qDBusRegisterMetaType<QList<LinkDomain>>();
}

bool ResolvedDns::IsRunning() const
{
    return m_bus.interface()->isServiceRegistered(QLatin1String(ServiceName)).value();
}

bool ResolvedDns::Call(const QString& method, const QVariantList& arguments, QString& error) const
{
    QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(ServiceName), Path, Manager, method);
    call.setArguments(arguments);
    // The helper serves no window; resolved answers at once or not at all.
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, CallLimitMs);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        error = QStringLiteral("systemd-resolved refused %1: %2").arg(method, reply.errorMessage());
        return false;
    }
    return true;
}

bool ResolvedDns::Apply(const QString& device, const QStringList& servers, const QStringList& domains,
                        QString& error)
{
    const int index = int(::if_nametoindex(device.toLatin1().constData()));
    if (index <= 0) {
        error = QStringLiteral("the tunnel device %1 is unknown").arg(device);
        return false;
    }
    m_linkIndex = index;
    if (!Call(QStringLiteral("SetLinkDNS"), {index, QVariant::fromValue(Addresses(servers))}, error)
        || !Call(QStringLiteral("SetLinkDomains"), {index, QVariant::fromValue(Domains(domains))}, error)
        || !Call(QStringLiteral("SetLinkDefaultRoute"), {index, true}, error)) {
        Revert();
        return false;
    }
    return true;
}

void ResolvedDns::Revert()
{
    if (m_linkIndex <= 0)
        return;
    QString ignored; // the device may be gone, and resolved with it forgot the link
    Call(QStringLiteral("RevertLink"), {std::exchange(m_linkIndex, 0)}, ignored);
}
