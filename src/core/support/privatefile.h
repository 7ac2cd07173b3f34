#pragma once

class QByteArray;
class QString;

// Writes files that may hold secrets (settings with the proxy password, OpenVPN credentials,
// the stored account key): owner-only, and replaced atomically so a crash mid-write leaves the
// previous file intact.
class PrivateFile
{
public:
    static bool Write(const QString& path, const QByteArray& content, QString* error = nullptr);
};
