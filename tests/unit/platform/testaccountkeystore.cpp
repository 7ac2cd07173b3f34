#include "linux/keychainaccountkeystore.h"
#include "testfiles.h"

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
    // Without the keyring (switched off, or no session bus to reach it) the key survives the run
    // in an owner-only file, in a folder a first start has not made yet; forgetting removes it.
    void storeLoadForgetWithoutKeyring_data()
    {
        QTest::addColumn<bool>("keyring");
        QTest::newRow("keyring switched off") << false;
        QTest::newRow("keyring unreachable") << true;
    }

    void storeLoadForgetWithoutKeyring()
    {
        QFETCH(bool, keyring);
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        qunsetenv("DISPLAY");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Config/account.key"));
        KeychainAccountKeyStore store(path);
        store.SetKeyringEnabled(keyring);
        QCOMPARE(LoadKey(store), QString());

        QSignalSpy stored(&store, &AccountKeyStore::Stored);
        store.Store(QStringLiteral("K3Y-abc"));
        QVERIFY(stored.wait(60000));
        QCOMPARE(stored.takeFirst().at(0).toBool(), true);
        QCOMPARE(FileMode(path), 0600u);

        KeychainAccountKeyStore nextRun(path);
        nextRun.SetKeyringEnabled(keyring);
        QCOMPARE(LoadKey(nextRun), QStringLiteral("K3Y-abc"));
        QSignalSpy forgotten(&nextRun, &AccountKeyStore::Forgotten);
        nextRun.Forget();
        QVERIFY(forgotten.wait(60000));
        QVERIFY(!QFile::exists(path));
        QCOMPARE(LoadKey(nextRun), QString());
    }
};

QTEST_GUILESS_MAIN(TestAccountKeyStore)
#include "testaccountkeystore.moc"
