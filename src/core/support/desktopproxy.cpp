#include "support/desktopproxy.h"

#include <QUrl>

#include <utility>

namespace {

// Qt's defaults for a proxy variable without a port.
constexpr int DefaultHttpProxyPort = 8080;
constexpr int DefaultSocksProxyPort = 1080;

bool IsUsable(const QNetworkProxy& proxy)
{
    return proxy.type() == QNetworkProxy::HttpProxy || proxy.type() == QNetworkProxy::Socks5Proxy;
}

} // namespace

DesktopProxy::DesktopProxy(const QProcessEnvironment& environment, SystemQuery systemQuery)
    : m_environment(environment)
    , m_systemQuery(std::move(systemQuery))
{ }

QNetworkProxy DesktopProxy::FromUrl(const QString& text)
{
    const QString trimmed = text.trimmed();
    const QUrl url(trimmed.contains(QStringLiteral("://")) ? trimmed : QStringLiteral("http://") + trimmed);
    const QString scheme = url.scheme().toLower();
    if (url.host().isEmpty())
        return QNetworkProxy(QNetworkProxy::NoProxy);
    if (scheme == QLatin1String("http")) {
        return QNetworkProxy(QNetworkProxy::HttpProxy, url.host(), quint16(url.port(DefaultHttpProxyPort)),
                             url.userName(), url.password());
    }
    if (scheme == QLatin1String("socks5") || scheme == QLatin1String("socks5h")) {
        return QNetworkProxy(QNetworkProxy::Socks5Proxy, url.host(), quint16(url.port(DefaultSocksProxyPort)),
                             url.userName(), url.password());
    }
    return QNetworkProxy(QNetworkProxy::NoProxy);
}

bool DesktopProxy::IsExempt(const QString& host) const
{
    const QString list
        = m_environment.value(QStringLiteral("no_proxy"), m_environment.value(QStringLiteral("NO_PROXY")));
    const QString name = host.toLower();
    for (QString entry : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        entry = entry.trimmed().toLower().section(QLatin1Char(':'), 0, 0);
        if (entry == QLatin1String("*"))
            return true;
        while (entry.startsWith(QLatin1Char('*')) || entry.startsWith(QLatin1Char('.')))
            entry.remove(0, 1);
        if (!entry.isEmpty() && (name == entry || name.endsWith(QLatin1Char('.') + entry)))
            return true;
    }
    return false;
}

QNetworkProxy DesktopProxy::For(const QUrl& target) const
{
    for (const char* variable : {"https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
        const QString value = m_environment.value(QString::fromLatin1(variable));
        if (value.isEmpty())
            continue;
        if (IsExempt(target.host()))
            return QNetworkProxy(QNetworkProxy::NoProxy);
        const QNetworkProxy proxy = FromUrl(value);
        if (IsUsable(proxy))
            return proxy;
    }
    const QList<QNetworkProxy> system
        = m_systemQuery ? m_systemQuery(QNetworkProxyQuery(target)) : QList<QNetworkProxy>();
    if (!system.isEmpty() && IsUsable(system.first()))
        return system.first();
    return QNetworkProxy(QNetworkProxy::NoProxy);
}
