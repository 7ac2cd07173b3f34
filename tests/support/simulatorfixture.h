#pragma once

#include "servicesimulator.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Certificates made once per test program, and a simulator per test started on a random
// loopback port with the shipped catalog and one known account.
class SimulatorFixture
{
public:
    static QString AccountKey() { return QStringLiteral("k3yAbc9x"); }
    static QString CatalogPath()
    {
        return qEnvironmentVariable("NORVANE_SOURCE_DIR") + QStringLiteral("/servicesim/data/catalog.xml");
    }

    bool Prepare(QString* error)
    {
        ServiceSimulator probe;
        if (!probe.GenerateCertificate(m_dir.path(), QHostAddress::LocalHost, error))
            return false;
        m_paths = {probe.CaCertificatePath(), m_dir.filePath(QStringLiteral("server.crt")),
                   m_dir.filePath(QStringLiteral("server.key"))};
        return true;
    }

    QString CaPath() const { return m_paths.caCertificate; }

    std::unique_ptr<ServiceSimulator> Start() const
    {
        auto simulator = std::make_unique<ServiceSimulator>();
        QString error;
        const bool started = simulator->UseCertificate(m_paths.serverCertificate, m_paths.serverKey, &error)
            && simulator->LoadCatalog(CatalogPath(), &error)
            && simulator->Start(QHostAddress::LocalHost, 0, &error);
        if (!started) {
            qWarning("simulator: %s", qPrintable(error));
            return nullptr;
        }
        simulator->AddAccount({AccountKey(), QStringLiteral("ann"), QStringLiteral("ann@example.org")});
        return simulator;
    }

private:
    QTemporaryDir m_dir;
    SimCertificatePaths m_paths;
};
