#pragma once

#include <QString>
#include <QStringList>

// Where a generated or given certificate set lives.
struct SimCertificatePaths
{
    QString caCertificate;
    QString serverCertificate;
    QString serverKey;
};

// Makes a throw-away CA and a server certificate signed by it with the openssl command, so the
// simulator can serve HTTPS that a client trusts only when told about that CA.
class SimCertificates
{
public:
    // Writes ca.crt, ca.key, server.crt and server.key into directory. The server certificate
    // names "localhost" and each of ipAddresses. False (with error set) when openssl fails.
    static bool Generate(const QString& directory, const QStringList& ipAddresses, SimCertificatePaths* paths,
                         QString* error);
};
