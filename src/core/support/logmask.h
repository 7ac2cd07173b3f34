#pragma once

#include <QString>

// Keeps credentials out of the log: callers pass the text they are about to log and the
// secret it may contain.
class LogMask
{
public:
    static QString Placeholder() { return QStringLiteral("********"); }
    // Replaces every occurrence of secret (as typed, upper-cased and percent-encoded) in text.
    static QString MaskSecret(const QString& text, const QString& secret);
    // Replaces the value of each name=value field called fieldName in a form body or query.
    static QString MaskFormField(const QString& body, const QString& fieldName);
};
