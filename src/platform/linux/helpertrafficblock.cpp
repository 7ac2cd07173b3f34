#include "linux/helpertrafficblock.h"

#include "linux/helperbus.h"

#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDebug>
#include <QHostAddress>
#include <QHostInfo>
#include <QUrl>

namespace {

QStringList AddressTexts(const QList<QHostAddress>& addresses)
{
    QStringList texts;
    for (const QHostAddress& address : addresses)
        texts << address.toString();
    return texts;
}

} // namespace

HelperTrafficBlock::HelperTrafficBlock(const QString& apiHost, QDBusConnection bus, QObject* parent)
    : TrafficBlock(parent)
    , m_bus(std::move(bus))
{
    const QUrl url(QStringLiteral("https://") + apiHost);
    m_apiHost = url.host();
    m_apiPort = quint16(url.port(443));
    LookUpApiHost();
    if (!m_bus.isConnected())
        return;
    auto* watcher = new QDBusServiceWatcher(HelperBus::Service(), m_bus,
                                            QDBusServiceWatcher::WatchForUnregistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
        if (m_wanted) {
            qDebug() << "The helper left the system bus; asking again for the traffic block.";
            Send();
        }
    });
}

HelperTrafficBlock::~HelperTrafficBlock()
{
    // The helper also removes the block when this connection leaves the bus; asking is quicker.
    if (m_wanted && m_bus.isConnected())
        m_bus.send(HelperBus::Call(QStringLiteral("UnblockTraffic")));
}

void HelperTrafficBlock::LookUpApiHost()
{
    if (m_apiHost.isEmpty())
        return;
    QHostInfo::lookupHost(m_apiHost, this, [this](const QHostInfo& host) {
        // Once blocked, the resolver may be out of reach: the addresses found before stay.
        const QStringList addresses = AddressTexts(host.addresses());
        if (addresses.isEmpty() || addresses == m_apiAddresses)
            return;
        m_apiAddresses = addresses;
        if (m_wanted)
            Send();
    });
}

void HelperTrafficBlock::Block(const QString& serverAddress, int port, const QString& protocol)
{
    if (!m_wanted)
        LookUpApiHost();
    m_wanted = true;
    m_server = serverAddress;
    m_port = port;
    m_protocol = protocol.toLower();
    QHostInfo::abortHostLookup(m_serverLookup);
    m_serverLookup = -1;
    if (!QHostAddress(serverAddress).isNull()) {
        m_serverAddress = serverAddress;
        Send();
        return;
    }
    m_serverAddress.clear();
    m_serverLookup = QHostInfo::lookupHost(serverAddress, this, [this](const QHostInfo& host) {
        if (host.lookupId() != m_serverLookup)
            return;
        m_serverLookup = -1;
        if (host.addresses().isEmpty()) {
            emit BlockFailed(QStringLiteral("%1 cannot be resolved: %2").arg(m_server, host.errorString()));
            return;
        }
        m_serverAddress = host.addresses().constFirst().toString();
        Send();
    });
}

void HelperTrafficBlock::Unblock()
{
    m_wanted = false;
    QHostInfo::abortHostLookup(m_serverLookup);
    m_serverLookup = -1;
    auto* watcher = new QDBusPendingCallWatcher(
        m_bus.asyncCall(HelperBus::Call(QStringLiteral("UnblockTraffic"))), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher] {
        watcher->deleteLater();
        if (watcher->isError())
            qDebug() << "The helper did not remove the traffic block:" << watcher->error().message();
        else
            qDebug() << "Traffic outside the tunnel no longer blocked.";
    });
}

void HelperTrafficBlock::Send()
{
    if (!m_wanted || m_serverAddress.isEmpty())
        return;
    QDBusMessage call = HelperBus::Call(QStringLiteral("BlockTraffic"));
    call << m_protocol << m_serverAddress << uint(m_port) << m_apiAddresses << uint(m_apiPort);
    const QString description = QStringLiteral("%1 %2 port %3, API %4")
                                    .arg(m_protocol, m_serverAddress)
                                    .arg(m_port)
                                    .arg(m_apiAddresses.join(QLatin1Char(' ')));
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, description] {
        watcher->deleteLater();
        if (watcher->isError()) {
            if (m_wanted)
                emit BlockFailed(watcher->error().message());
            return;
        }
        qDebug().noquote() << "Traffic blocked outside the tunnel, except to" << description;
    });
}
