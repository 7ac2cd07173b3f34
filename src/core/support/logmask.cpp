#include "support/logmask.h"

#include <QRegularExpression>
#include <QUrl>

QString LogMask::MaskSecret(const QString& text, const QString& secret)
{
    if (secret.isEmpty())
        return text;
    QString masked = text;
    const QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(secret));
    for (const QString& form : {secret, secret.toUpper(), encoded})
        masked.replace(form, Placeholder());
    return masked;
}

QString LogMask::MaskFormField(const QString& body, const QString& fieldName)
{
    const QRegularExpression field(
        QStringLiteral("(^|[&?])(%1=)[^&]*").arg(QRegularExpression::escape(fieldName)));
    QString masked = body;
    masked.replace(field, QStringLiteral("\\1\\2") + Placeholder());
    return masked;
}
