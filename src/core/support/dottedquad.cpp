#include "support/dottedquad.h"

#include <QStringList>

bool IsDottedQuad(const QString& text)
{
    const QStringList octets = text.split(QLatin1Char('.'));
    if (octets.size() != 4)
        return false;
    for (const QString& octet : octets) {
        if (octet.isEmpty() || octet.size() > 3)
            return false;
        for (const QChar c : octet) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        }
        if (octet.toInt() > 255)
            return false;
    }
    return true;
}
