#include "versioninfo.h"

#include <QFile>

QString VersionInfo::Read(const QString& resourcePath)
{
    QFile file(resourcePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    return ParseLine(QString::fromUtf8(file.readLine()));
}

QString VersionInfo::ParseLine(const QString& firstLine)
{
    return firstLine.mid(firstLine.lastIndexOf(QLatin1Char('=')) + 1).trimmed();
}
