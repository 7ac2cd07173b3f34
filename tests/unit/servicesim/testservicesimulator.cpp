#include "credentialcheck.h"
#include "servicesimulator.h"
#include "testfiles.h"

#include <QTemporaryDir>
#include <QTest>

// What the connection world relies on from the simulator beyond what the API tests use: the
// OpenVPN credential check, the exit address of a tunnel pool, and change-IP listeners bound
// before the tunnels' addresses exist. A simulator that accepted wrong credentials would hide a
// client fault there.
class TestServiceSimulator final : public QObject
{
    Q_OBJECT
private slots:
    void credentialCheck()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("credentials"));
        const QPair<QByteArray, bool> rows[]
            = {{"K3YABC\nK3YABC\n", true},
               {"k3yAbc\nk3yAbc\n", false}, // the client sends it upper-cased
               {"K3YABC\nOTHER\n", false},
               {"NOBODY\nNOBODY\n", false}};
        for (const auto& [file, accepted] : rows) {
            QVERIFY(WriteFile(path, file));
            QVERIFY2(CredentialCheck::CheckFile(path, {QStringLiteral("other"), QStringLiteral("k3yAbc")})
                         == accepted,
                     file.constData());
        }
    }

    void exitAddressOfThePool()
    {
        ServiceSimulator simulator;
        QVERIFY(simulator.MapExitAddress(QStringLiteral("198.18.0.0/21"), QStringLiteral("203.0.113.77")));
        QCOMPARE(simulator.ExitAddressFor(QStringLiteral("198.18.4.2")), QStringLiteral("203.0.113.77"));
        QCOMPARE(simulator.ExitAddressFor(QStringLiteral("198.18.8.1")), QStringLiteral("198.18.8.1"));
    }

    void changeIpListensBeforeTheTunnelExists()
    {
        // A documentation address no interface of a test machine holds: only bound, never reached.
        ServiceSimulator simulator;
        QString error;
        QVERIFY2(simulator.StartChangeIpListener(QHostAddress(QStringLiteral("192.0.2.254")), 0, &error),
                 qPrintable(error));
        QVERIFY(simulator.StartChangeIpListener(QHostAddress::LocalHost, 0, &error));
    }
};

QTEST_GUILESS_MAIN(TestServiceSimulator)
#include "testservicesimulator.moc"
