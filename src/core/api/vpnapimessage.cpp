#include "api/vpnapimessage.h"

#include <iterator>

namespace {

const ScriptInfo kScripts[] = {
    {"getServerList", true, 3, "", VPNApiMessage::Post},
    {"getVpnNetworkAccountIpAnchor", true, 3, "", VPNApiMessage::Post},
    {"doUnanchorVpnNetworkAccountIp", true, 3, "", VPNApiMessage::Post},
    {"doAnchorVpnNetworkAccountIp", true, 3, "", VPNApiMessage::Post},
    {"getUserInfo", true, 3, "", VPNApiMessage::Post},
    {"getRequestEntityIp", true, 1, "", VPNApiMessage::Post},
    {"addLogTicket", true, 3, "", VPNApiMessage::Post},
};

} // namespace

const ScriptInfo* ScriptTable(int* count)
{
    if (count)
        *count = int(std::size(kScripts));
    return kScripts;
}

const ScriptInfo* FindScript(const QString& name)
{
    for (const ScriptInfo& script : kScripts) {
        if (name == QLatin1String(script.name))
            return &script;
    }
    return nullptr;
}

VPNApiMessage BuildMessage(const QString& host, const QString& apiKey, const QString& script,
                           const QMap<QString, QString>& parameters)
{
    VPNApiMessage message;
    message.parameters = parameters;
    message.parameters.insert(QStringLiteral("api_key"), apiKey);
    const ScriptInfo* info = FindScript(script);
    if (!info)
        return message;
    const QString scheme = info->secure ? QStringLiteral("https") : QStringLiteral("http");
    const QString location = info->version >= 0 ? QStringLiteral("%1/%2").arg(host).arg(info->version)
                                                : QString::fromLatin1(info->path);
    message.url = scheme + QStringLiteral("://") + location + QLatin1Char('/') + script;
    message.method = info->method;
    return message;
}

QByteArray FormEncode(const QString& text)
{
    // Space is left out of the percent-encoding so that it can become "+"; a literal "+" is
    // encoded (%2B) and therefore never mistaken for it.
    QByteArray encoded = QUrl::toPercentEncoding(text, QByteArrayLiteral(" "));
    encoded.replace(' ', '+');
    return encoded;
}

QByteArray EncodedParameters(const VPNApiMessage& message)
{
    QByteArray encoded;
    for (auto it = message.parameters.cbegin(); it != message.parameters.cend(); ++it) {
        if (!encoded.isEmpty())
            encoded += '&';
        encoded += FormEncode(it.key()) + '=' + FormEncode(it.value());
    }
    return encoded;
}

QByteArray RequestBody(const VPNApiMessage& message)
{
    return message.IsGet() ? QByteArray() : EncodedParameters(message);
}

QUrl RequestUrl(const VPNApiMessage& message)
{
    if (!message.IsGet())
        return QUrl(message.url);
    return QUrl(message.url + QLatin1Char('?') + QString::fromLatin1(EncodedParameters(message)));
}
