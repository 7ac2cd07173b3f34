#include "tunnel/managementline.h"

#include <QHostAddress>
#include <QStringList>

ManagementLine ManagementLine::Parse(const QString& line)
{
    ManagementLine parsed;
    if (line.contains(QLatin1String("PASSWORD:Need"))) {
        parsed.kind = Kind::PasswordNeeded;
    } else if (line.contains(QLatin1String("CONNECTED"))) {
        parsed.kind = Kind::Connected;
        // OpenVPN 2.4 and later add fields after the address, so it is counted from the front.
        const QStringList fields = line.split(QLatin1Char(','));
        if (fields.size() >= 4)
            parsed.tunnelAddress = fields.at(3).trimmed();
    } else if (line.contains(QLatin1String("EXITING"))) {
        parsed.kind = Kind::Exiting;
        parsed.authFailure = line.contains(QLatin1String("auth-failure"));
    } else if (line.contains(QLatin1String("tls-error"))) {
        parsed.kind = Kind::TlsError;
    } else if (line.contains(QLatin1String("RECONNECTING"))) {
        parsed.kind = Kind::Reconnecting;
    } else if (line.contains(QLatin1String("HOLD"))) {
        parsed.kind = Kind::Hold;
    }
    return parsed;
}

QString ManagementLine::FirstAddressInRange(const QString& tunnelAddress)
{
    const QStringList octets = tunnelAddress.split(QLatin1Char('.'));
    // QHostAddress also takes short forms such as "10.1"; only the dotted quad has a third octet.
    if (octets.size() != 4 || QHostAddress(tunnelAddress).protocol() != QAbstractSocket::IPv4Protocol)
        return QString();
    const int third = octets.at(2).toInt();
    return QStringLiteral("%1.%2.%3.1").arg(octets.at(0), octets.at(1)).arg(third - third % 4);
}
