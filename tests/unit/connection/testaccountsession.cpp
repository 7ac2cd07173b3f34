#include "connection/accountsession.h"
#include "fakeapi.h"
#include "memoryaccountkeystore.h"

#include <QSignalSpy>
#include <QTest>

// Sign-in with the service's answers in the test's hands: each check's reply is delivered when
// and in the order the test chooses.
class TestAccountSession final : public QObject
{
    Q_OBJECT

private:
    struct Rig
    {
        FakeApi api;
        MemoryAccountKeyStore store;
        AccountSession session;
        QSignalSpy signedIn {&session, &AccountSession::SignedIn};
        QSignalSpy errors {&session, &AccountSession::ErrorOccurred};

        explicit Rig(const QString& storedKey = {}, const QString& environmentKey = {})
            : store(storedKey)
            , session(api, store, environmentKey)
        { }
        void Answer(int check, bool success, const QString& codeOrName)
        {
            api.Checks().at(check)->Parse(FakeApi::UserInfoReply(success, codeOrName));
        }
    };

private slots:
    void keyAtStart_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("environment");
        QTest::addColumn<QString>("signedInWith");
        // clang-format off
        QTest::newRow("environment first") << "KEY-STORED" << " KEY-ENV " << "KEY-ENV";
        QTest::newRow("unusable environment key: the store") << "KEY-STORED" << "KEY\tENV" << "KEY-STORED";
        QTest::newRow("stored key") << "KEY-STORED" << "" << "KEY-STORED";
        QTest::newRow("nothing: sign-in asked for") << "" << "" << "";
        // clang-format on
    }

    void keyAtStart()
    {
        QFETCH(QString, stored);
        QFETCH(QString, environment);
        QFETCH(QString, signedInWith);
        Rig rig(stored, environment);
        QSignalSpy asked(&rig.session, &AccountSession::SignInRequired);
        rig.session.LoadAccountKey();
        QTRY_COMPARE(rig.signedIn.count() + asked.count(), 1);
        QCOMPARE(rig.session.AccountKey(), signedInWith);
        QCOMPARE(rig.api.AccountKey(), signedInWith);
        // A key in use is checked quietly, only for the account's name and e-mail.
        QCOMPARE(rig.api.TakeCalls(),
                 signedInWith.isEmpty() ? QStringList()
                                        : QStringList(QStringLiteral("CheckUserInfo ") + signedInWith));
        if (!signedInWith.isEmpty()) {
            rig.Answer(0, true, QStringLiteral("ada"));
            QCOMPARE(rig.api.AccountEmail(), QStringLiteral("ada@example.org"));
        }
    }

    void signIn_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("reply"); // "" none, "ok", "net" or an error code
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("signedIn");
        // clang-format off
        QTest::newRow("empty") << "  " << "" << "ENTER YOUR ACCOUNT KEY." << false;
        QTest::newRow("control character") << "AB\x01" << "" << "THE ACCOUNT KEY CONTAINS CHARACTERS THAT ARE NOT ALLOWED." << false;
        QTest::newRow("under way") << "KEY-B" << "" << "CHECKING YOUR ACCOUNT KEY..." << false;
        QTest::newRow("accepted") << " KEY-B " << "ok" << "CHECKING YOUR ACCOUNT KEY..." << true;
        QTest::newRow("unknown key") << "KEY-B" << "api_wrong_id" << "THIS ACCOUNT KEY IS NOT KNOWN. CHECK IT AND TRY AGAIN." << false;
        QTest::newRow("other refusal") << "KEY-B" << "api_access_denied" << "THE SERVICE DID NOT ACCEPT THE SIGN-IN. TRY AGAIN OR CONTACT SUPPORT." << false;
        // clang-format on
    }

    void signIn()
    {
        QFETCH(QString, typed);
        QFETCH(QString, reply);
        QFETCH(QString, message);
        QFETCH(bool, signedIn);
        Rig rig;
        rig.session.SignIn(typed);
        rig.session.SignIn(typed); // a second press while checking sends nothing more
        if (!reply.isEmpty())
            rig.Answer(0, reply == QLatin1String("ok"), reply);
        QCOMPARE(rig.session.SignInMessage(), message);
        QCOMPARE(rig.session.IsSignedIn(), signedIn);
        QCOMPARE(rig.signedIn.count(), signedIn ? 1 : 0);
        QTRY_COMPARE(rig.store.Key(), signedIn ? QStringLiteral("KEY-B") : QString());
        QVERIFY(rig.api.Checks().size() <= 1);
    }

    void networkFailureIsRetriedWithTheSameKey()
    {
        Rig rig;
        rig.session.SignIn(QStringLiteral("KEY-B"));
        rig.api.Checks().at(0)->SetNetworkError();
        QCOMPARE(rig.errors.count(), 1);
        QVERIFY(!rig.session.IsChecking());
        rig.session.Retry();
        QCOMPARE(rig.api.TakeCalls(), QStringList(2, QStringLiteral("CheckUserInfo KEY-B")));
        rig.Answer(1, true, QStringLiteral("ada"));
        QVERIFY(rig.session.IsSignedIn());
    }

    // A stored key's quiet check is still under way when the user signs out and signs in with a
    // wrong key. The wrong key's refusal arrives first, the old key's success last: the success
    // speaks for the old key only and must not let the wrong one in.
    void lateAnswerOfAnotherKeyNeverSignsIn()
    {
        Rig rig(QStringLiteral("KEY-OLD"));
        rig.session.LoadAccountKey();
        QTRY_VERIFY(rig.session.IsSignedIn());
        rig.session.SignOut();
        rig.session.SignIn(QStringLiteral("KEY-WRONG"));
        QCOMPARE(rig.api.TakeCalls(),
                 QStringList(
                     {QStringLiteral("CheckUserInfo KEY-OLD"), QStringLiteral("CheckUserInfo KEY-WRONG")}));

        rig.Answer(1, false, QStringLiteral("api_wrong_id"));
        rig.Answer(0, true, QStringLiteral("old"));
        QVERIFY(!rig.session.IsSignedIn());
        QCOMPARE(rig.signedIn.count(), 1); // the stored key at start, nothing since
        QCOMPARE(rig.session.SignInMessage(),
                 QStringLiteral("THIS ACCOUNT KEY IS NOT KNOWN. CHECK IT AND TRY AGAIN."));
        QTRY_COMPARE(rig.store.Key(), QString());
        QCOMPARE(rig.api.AccountEmail(), QString());
    }
};

QTEST_GUILESS_MAIN(TestAccountSession)
#include "testaccountsession.moc"
