#include "simcertificates.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

namespace {

bool RunOpenssl(const QStringList& arguments, QString* error)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("openssl"), arguments);
    // A test tool, run before any event loop matters: waiting here is fine.
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        if (error) {
            *error = QStringLiteral("openssl %1 failed: %2")
                         .arg(arguments.value(0),
                              QString::fromLocal8Bit(process.readAll()) + process.errorString());
        }
        return false;
    }
    return true;
}

} // namespace

bool SimCertificates::Generate(const QString& directory, const QStringList& ipAddresses,
                               SimCertificatePaths* paths, QString* error)
{
    QDir().mkpath(directory);
    const QDir dir(directory);
    const QString caKey = dir.filePath(QStringLiteral("ca.key"));
    const QString caCert = dir.filePath(QStringLiteral("ca.crt"));
    const QString serverKey = dir.filePath(QStringLiteral("server.key"));
    const QString serverCsr = dir.filePath(QStringLiteral("server.csr"));
    const QString serverCert = dir.filePath(QStringLiteral("server.crt"));
    const QString extensions = dir.filePath(QStringLiteral("server.ext"));

    QStringList names {QStringLiteral("DNS:localhost")};
    for (const QString& address : ipAddresses)
        names << QStringLiteral("IP:") + address;
    QFile extensionFile(extensions);
    if (!extensionFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error = QStringLiteral("cannot write %1").arg(extensions);
        return false;
    }
    extensionFile.write("subjectAltName=" + names.join(QLatin1Char(',')).toUtf8()
                        + "\nbasicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature,keyEncipherment\n"
                          "extendedKeyUsage=serverAuth\n");
    extensionFile.close();

    const QString curve = QStringLiteral("ec_paramgen_curve:prime256v1");
    const QString serial
        = QStringLiteral("0x%1").arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
    const bool made
        = RunOpenssl({QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                      QStringLiteral("ec"), QStringLiteral("-pkeyopt"), curve, QStringLiteral("-nodes"),
                      QStringLiteral("-keyout"), caKey, QStringLiteral("-out"), caCert,
                      QStringLiteral("-days"), QStringLiteral("3650"), QStringLiteral("-subj"),
                      QStringLiteral("/CN=Norvane Service Simulator CA"), QStringLiteral("-addext"),
                      QStringLiteral("basicConstraints=critical,CA:TRUE"), QStringLiteral("-addext"),
                      QStringLiteral("keyUsage=critical,keyCertSign,cRLSign")},
                     error)
        && RunOpenssl({QStringLiteral("req"), QStringLiteral("-new"), QStringLiteral("-newkey"),
                       QStringLiteral("ec"), QStringLiteral("-pkeyopt"), curve, QStringLiteral("-nodes"),
                       QStringLiteral("-keyout"), serverKey, QStringLiteral("-out"), serverCsr,
                       QStringLiteral("-subj"), QStringLiteral("/CN=localhost")},
                      error)
        && RunOpenssl({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), serverCsr,
                       QStringLiteral("-CA"), caCert, QStringLiteral("-CAkey"), caKey,
                       QStringLiteral("-set_serial"), serial, QStringLiteral("-days"), QStringLiteral("825"),
                       QStringLiteral("-extfile"), extensions, QStringLiteral("-out"), serverCert},
                      error);
    if (!made)
        return false;
    QFile::setPermissions(caKey, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QFile::setPermissions(serverKey, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (paths)
        *paths = {caCert, serverCert, serverKey};
    return true;
}
