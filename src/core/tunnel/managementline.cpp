#include "tunnel/managementline.h"

#include "support/dottedquad.h"

#include <QStringList>

namespace {

bool IsDecimal(const QString& text, int maxDigits)
{
    if (text.isEmpty() || text.size() > maxDigits)
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

ManagementLine ParseState(const QString& fields)
{
    ManagementLine parsed;
    const QStringList field = fields.split(QLatin1Char(','));
    // time,state,reason at least; the time is a number of seconds.
    if (field.size() < 3 || !IsDecimal(field.at(0), 20))
        return parsed;
    const QString& state = field.at(1);
    const QString& reason = field.at(2);
    using Kind = ManagementLine::Kind;
    if (state == QLatin1String("CONNECTED")) {
        // OpenVPN 2.4 and later add fields after the address, so it is counted from the front.
        if (reason == QLatin1String("SUCCESS") && field.size() >= 4 && IsDottedQuad(field.at(3))) {
            parsed.kind = Kind::Connected;
            parsed.tunnelAddress = field.at(3);
        } else {
            parsed.kind = Kind::ConnectFailed;
            parsed.text = reason;
        }
    } else if (state == QLatin1String("EXITING")) {
        parsed.kind = Kind::Exiting;
        parsed.authFailure = reason == QLatin1String("auth-failure");
    } else if (state == QLatin1String("RECONNECTING")) {
        parsed.kind = reason == QLatin1String("tls-error") ? Kind::TlsError : Kind::Reconnecting;
    }
    return parsed;
}

} // namespace

ManagementLine ManagementLine::Parse(const QString& line)
{
    static const QString State = QStringLiteral(">STATE:");
    static const QString Hold = QStringLiteral(">HOLD:");
    static const QString Fatal = QStringLiteral(">FATAL:");
    static const QString PasswordNeed = QStringLiteral(">PASSWORD:Need '");
    if (line.startsWith(State))
        return ParseState(line.mid(State.size()));
    ManagementLine parsed;
    if (line.startsWith(Hold)) {
        parsed.kind = Kind::Hold;
    } else if (line.startsWith(Fatal)) {
        parsed.kind = Kind::Fatal;
        parsed.text = line.mid(Fatal.size()).trimmed();
    } else if (line.startsWith(PasswordNeed)) {
        const qsizetype close = line.indexOf(QLatin1Char('\''), PasswordNeed.size());
        if (close < 0)
            return parsed;
        parsed.text = line.mid(PasswordNeed.size(), close - PasswordNeed.size());
        parsed.kind = parsed.text == QLatin1String("Auth") ? Kind::PasswordNeeded : Kind::PasswordOtherRealm;
    }
    return parsed;
}

QString ManagementLine::FirstAddressInRange(const QString& tunnelAddress)
{
    if (!IsDottedQuad(tunnelAddress))
        return QString();
    const QStringList octets = tunnelAddress.split(QLatin1Char('.'));
    const int third = octets.at(2).toInt();
    return QStringLiteral("%1.%2.%3.1").arg(octets.at(0), octets.at(1)).arg(third - third % 4);
}
