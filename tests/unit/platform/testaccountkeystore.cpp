#include "linux/keychainaccountkeystore.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestAccountKeyStore final : public QObject
{
    Q_OBJECT

private:
    static QString LoadKey(KeychainAccountKeyStore& store)
    {
        QSignalSpy loaded(&store, &AccountKeyStore::Loaded);
        store.Load();
        if (!loaded.wait(60000))
            return QStringLiteral("<no answer>");
        return loaded.takeFirst().at(0).toString();
    }

private slots:
    void storeLoadForgetWithoutKeyring()
    {
        QTemporaryDir dir;
        // Config/ does not exist yet on a first start.
        const QString path = dir.filePath(QStringLiteral("Config/account.key"));
        KeychainAccountKeyStore store(path);
        store.SetKeyringEnabled(false);

        QCOMPARE(LoadKey(store), QString());

        QSignalSpy stored(&store, &AccountKeyStore::Stored);
        store.Store(QStringLiteral("K3Y-abc"));
        QVERIFY(stored.wait());
        QCOMPARE(stored.takeFirst().at(0).toBool(), true);
        const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther
            | QFileDevice::WriteOther;
        QCOMPARE(QFile::permissions(path) & others, QFileDevice::Permissions());

        // A new store object (a new run) finds the key again.
        KeychainAccountKeyStore nextRun(path);
        nextRun.SetKeyringEnabled(false);
        QCOMPARE(LoadKey(nextRun), QStringLiteral("K3Y-abc"));

        QSignalSpy forgotten(&nextRun, &AccountKeyStore::Forgotten);
        nextRun.Forget();
        QVERIFY(forgotten.wait());
        QVERIFY(!QFile::exists(path));
        QCOMPARE(LoadKey(nextRun), QString());
    }

    void keyringUnreachableFallsBackToFile()
    {
        // No session bus: the keyring cannot answer, the key must still survive the run.
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        qunsetenv("DISPLAY");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("account.key"));
        KeychainAccountKeyStore store(path);

        QSignalSpy stored(&store, &AccountKeyStore::Stored);
        store.Store(QStringLiteral("KEY-2"));
        QVERIFY(stored.wait(60000));
        QCOMPARE(stored.takeFirst().at(0).toBool(), true);
        QVERIFY(QFile::exists(path));
        QCOMPARE(LoadKey(store), QStringLiteral("KEY-2"));
    }
};

QTEST_GUILESS_MAIN(TestAccountKeyStore)
#include "testaccountkeystore.moc"
