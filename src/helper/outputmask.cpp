#include "outputmask.h"

#include <QRegularExpression>
#include <QString>

void OutputMask::AddSecret(const QByteArray& secret)
{
    if (!secret.isEmpty())
        m_secrets.append(secret);
}

QByteArray OutputMask::Apply(QByteArray line) const
{
    for (const QByteArray& secret : m_secrets)
        line.replace(secret, Masked);
    // "MANAGEMENT: CMD 'username "Auth" "KEY"'": everything after the realm is the credential.
    static const QRegularExpression credential(
        QStringLiteral("(CMD\\s*'\\s*(?:username|password)\\s+(?:\"(?:[^\"\\\\]|\\\\.)*\"|\\S+)\\s*).*$"),
        QRegularExpression::CaseInsensitiveOption);
    const QString text = QString::fromUtf8(line);
    const QRegularExpressionMatch match = credential.match(text);
    if (!match.hasMatch())
        return line;
    return (text.left(match.capturedStart()) + match.captured(1) + QLatin1String(Masked) + QLatin1Char('\''))
        .toUtf8();
}
