#include "settings/settingsfile.h"

#include "support/privatefile.h"

#include <QDebug>
#include <QDomDocument>
#include <QFile>
#include <QStringDecoder>

namespace {

QString BoolText(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

bool BoolAttribute(const QDomElement& element, const QString& name)
{
    return element.attribute(name, QStringLiteral("0")) == QLatin1String("1");
}

// Files written by older versions are in an 8-bit code page, newer ones in UTF-8. Valid
// UTF-8 is taken as such; anything else is read as Latin-1 so no byte is dropped.
QString DecodeText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes);
}

// Characters that XML 1.0 cannot carry would make the whole file unreadable at the next start
// (and so lose every setting); they are left out of the text fields instead.
QString XmlText(const QString& text)
{
    QString clean;
    clean.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            clean.append(c);
            clean.append(text.at(++i));
            continue;
        }
        const char16_t u = c.unicode();
        const bool allowed
            = u == 0x9 || u == 0xA || u == 0xD || (u >= 0x20 && u <= 0xD7FF) || (u >= 0xE000 && u <= 0xFFFD);
        if (allowed)
            clean.append(c);
    }
    return clean;
}

QString EncodeBase64Field(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    const int zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    return QString::fromLatin1(bytes.toBase64());
}

QString DecodeBase64Field(const QString& base64)
{
    QByteArray bytes = QByteArray::fromBase64(base64.toLatin1());
    const int zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    return DecodeText(bytes);
}

} // namespace

QByteArray SettingsFile::Serialize(const VPNSettings& s)
{
    QDomDocument doc;
    QDomElement root = doc.createElement(QStringLiteral("Config"));
    doc.appendChild(root);

    auto add = [&doc](QDomElement& parent, const char* name) {
        QDomElement element = doc.createElement(QLatin1String(name));
        parent.appendChild(element);
        return element;
    };

    QDomElement tcp = add(root, "TCPServers");
    tcp.setAttribute(QStringLiteral("enabled"), BoolText(s.tcpServersEnabled));
    tcp.setAttribute(QStringLiteral("port"), s.tcpPort == 80 ? QStringLiteral("80") : QStringLiteral("443"));

    add(root, "P2PConnection").setAttribute(QStringLiteral("enabled"), BoolText(s.pointToPointEnabled));

    QDomElement proxy = add(root, "Proxy");
    proxy.setAttribute(QStringLiteral("type"), VPNSettings::ProxyTypeToString(s.proxyType));
    QDomElement server = add(proxy, "Server");
    server.setAttribute(QStringLiteral("address"), XmlText(s.proxyAddress));
    server.setAttribute(QStringLiteral("port"), XmlText(s.proxyPort));
    QDomElement auth = add(proxy, "Authentication");
    auth.setAttribute(QStringLiteral("enabled"), BoolText(s.proxyAuthEnabled));
    auth.setAttribute(QStringLiteral("user"), EncodeBase64Field(s.proxyUser));
    auth.setAttribute(QStringLiteral("password"), EncodeBase64Field(s.proxyPassword));

    QDomElement servers = add(root, "Servers");
    servers.setAttribute(QStringLiteral("showOnMain"), BoolText(s.serversOnMainScreen));
    servers.setAttribute(QStringLiteral("lastUsed"), XmlText(s.lastUsedServer));
    servers.setAttribute(QStringLiteral("favorite"), XmlText(s.favoriteServer));

    QDomElement changeIp = add(root, "ChangeIP");
    changeIp.setAttribute(QStringLiteral("enabled"), BoolText(s.forcedIpChangeEnabled));
    changeIp.setAttribute(QStringLiteral("auto"), QString::number(s.autoIpChangeMinutes));

    add(root, "AutoConnect").setAttribute(QStringLiteral("enabled"), BoolText(s.autoConnect));
    add(root, "AutoLaunch").setAttribute(QStringLiteral("enabled"), BoolText(s.autoLaunch));
    add(root, "FastestServer").setAttribute(QStringLiteral("enabled"), BoolText(s.fastestServer));
    add(root, "TCPOnStartup").setAttribute(QStringLiteral("enabled"), BoolText(s.tcpOnStartup));

    QDomElement smtp = add(root, "SMTPEmail");
    smtp.setAttribute(QStringLiteral("enabled"), BoolText(s.smtpEnabled));
    smtp.setAttribute(QStringLiteral("address"), XmlText(s.smtpAddress));

    // Added after the others: earlier versions read the file by element name and pass this one by.
    add(root, "KillSwitch").setAttribute(QStringLiteral("enabled"), BoolText(s.blockTrafficWhenDown));

    return doc.toString(4).toUtf8();
}

bool SettingsFile::Parse(const QByteArray& content, VPNSettings& s)
{
    QDomDocument doc;
    QString error;
    int line = 0;
    int column = 0;
    if (!doc.setContent(DecodeText(content), &error, &line, &column)) {
        qDebug() << "Error occurs when trying to read settings: " << error << "Line: " << line
                 << "Column: " << column;
        return false;
    }
    const QDomElement root = doc.documentElement();
    auto child = [](const QDomElement& parent, const char* name) {
        return parent.firstChildElement(QLatin1String(name));
    };

    const QDomElement tcp = child(root, "TCPServers");
    if (!tcp.isNull()) {
        s.tcpServersEnabled = BoolAttribute(tcp, QStringLiteral("enabled"));
        bool ok = false;
        const int port = tcp.attribute(QStringLiteral("port"), QStringLiteral("443")).toInt(&ok);
        s.tcpPort = ok && port == 80 ? 80 : 443;
    }

    s.pointToPointEnabled = BoolAttribute(child(root, "P2PConnection"), QStringLiteral("enabled"));

    const QDomElement proxy = child(root, "Proxy");
    if (!proxy.isNull()) {
        s.proxyType = VPNSettings::ProxyTypeFromString(
            proxy.attribute(QStringLiteral("type"), QStringLiteral("No Proxy")));
        const QDomElement server = child(proxy, "Server");
        if (!server.isNull()) {
            s.proxyAddress = server.attribute(QStringLiteral("address"));
            s.proxyPort = server.attribute(QStringLiteral("port"));
        }
        // A proxy without an address or a port is none, also when the file names no server (the
        // fuzzer found a type kept over an empty address that read back as no proxy).
        if (s.proxyType != VPNSettings::Autodetect && (s.proxyAddress.isEmpty() || s.proxyPort.isEmpty()))
            s.SetProxy(VPNSettings::NoProxy, QString(), QString());
        const QDomElement auth = child(proxy, "Authentication");
        if (!auth.isNull()) {
            s.proxyUser = DecodeBase64Field(auth.attribute(QStringLiteral("user")));
            s.proxyPassword = DecodeBase64Field(auth.attribute(QStringLiteral("password")));
            s.proxyAuthEnabled = BoolAttribute(auth, QStringLiteral("enabled"));
            if (s.proxyType == VPNSettings::NoProxy && s.proxyUser.isEmpty() && s.proxyPassword.isEmpty())
                s.proxyAuthEnabled = false;
        }
    }

    const QDomElement servers = child(root, "Servers");
    if (!servers.isNull()) {
        s.serversOnMainScreen = BoolAttribute(servers, QStringLiteral("showOnMain"));
        s.lastUsedServer = servers.attribute(QStringLiteral("lastUsed"));
        s.favoriteServer = servers.attribute(QStringLiteral("favorite"));
    }

    const QDomElement changeIp = child(root, "ChangeIP");
    s.forcedIpChangeEnabled = BoolAttribute(changeIp, QStringLiteral("enabled"));
    s.autoIpChangeMinutes = changeIp.isNull() ? 0 : changeIp.attribute(QStringLiteral("auto")).toInt();

    s.autoConnect = BoolAttribute(child(root, "AutoConnect"), QStringLiteral("enabled"));
    s.autoLaunch = BoolAttribute(child(root, "AutoLaunch"), QStringLiteral("enabled"));
    s.fastestServer = BoolAttribute(child(root, "FastestServer"), QStringLiteral("enabled"));
    s.tcpOnStartup = BoolAttribute(child(root, "TCPOnStartup"), QStringLiteral("enabled"));

    const QDomElement smtp = child(root, "SMTPEmail");
    s.smtpEnabled = BoolAttribute(smtp, QStringLiteral("enabled"));
    s.smtpAddress = smtp.attribute(QStringLiteral("address"));
    s.blockTrafficWhenDown = BoolAttribute(child(root, "KillSwitch"), QStringLiteral("enabled"));
    return true;
}

bool SettingsFile::Read(const QString& path, VPNSettings& settings)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qDebug() << "Can't open settings file.";
        return false;
    }
    // Parse into a copy so a malformed file leaves the record exactly as it was.
    VPNSettings parsed = settings;
    if (!Parse(file.readAll(), parsed))
        return false;
    settings = parsed;
    return true;
}

bool SettingsFile::Write(const QString& path, const VPNSettings& settings)
{
    QString error;
    if (!PrivateFile::Write(path, Serialize(settings), &error)) {
        qDebug() << "Can't save settings to file" << error;
        return false;
    }
    return true;
}
