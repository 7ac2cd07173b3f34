#pragma once

#include <QString>

// The program's version, read from the resource the build generates from the project version.
class VersionInfo
{
public:
    static QString Read(const QString& resourcePath = QStringLiteral(":/version/version.pri"));
    // "VERSION = 2.1.0.21" gives "2.1.0.21"; a line without "=" gives the whole trimmed line.
    static QString ParseLine(const QString& firstLine);
};
