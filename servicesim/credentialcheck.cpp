#include "credentialcheck.h"

#include <QFile>

bool CredentialCheck::IsAccepted(const QString& user, const QString& password, const QStringList& accountKeys)
{
    if (user.isEmpty() || user != password)
        return false;
    for (const QString& key : accountKeys) {
        if (!key.isEmpty() && key.toUpper() == user)
            return true;
    }
    return false;
}

bool CredentialCheck::CheckFile(const QString& path, const QStringList& accountKeys)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> lines = file.readAll().split('\n');
    const auto line = [&lines](int index) {
        QByteArray text = lines.value(index);
        if (text.endsWith('\r'))
            text.chop(1);
        return QString::fromUtf8(text);
    };
    return IsAccepted(line(0), line(1), accountKeys);
}
