#pragma once

#include <QObject>
#include <QString>

#include <memory>

class AccountKeyStore;
class VPNApi;
class VPNApiGetUserInfoResponse;

/**
 * The user's account key: taken from the environment or the key store at start, otherwise asked
 * for through the sign-in view and checked with the service before it is kept; forgotten at
 * sign-out. Every check is a request of its own and only its own answer is read, so an answer
 * that arrives late or out of order can never accept or refuse another key.
 */
class AccountSession : public QObject
{
    Q_OBJECT

public:
    // keyFromEnvironment, when usable, is taken without asking (and without storing it).
    AccountSession(VPNApi& api, AccountKeyStore& keyStore, QString keyFromEnvironment,
                   QObject* parent = nullptr);
    ~AccountSession() override;

    // Trimmed key, or empty when the key is empty or holds a control character.
    static QString AcceptableAccountKey(const QString& text);

    QString AccountKey() const { return m_accountKey; }
    bool IsSignedIn() const { return !m_accountKey.isEmpty(); }
    // From the last check of the key in use.
    QString UserName() const { return m_userName; }
    QString Email() const { return m_email; }
    // What the sign-in view says, and whether a check is under way (its input is closed then).
    QString SignInMessage() const;
    bool IsChecking() const { return m_signInCheck != nullptr; }

public slots:
    // Takes the key from the environment, else from the store; asks for one when neither has it.
    void LoadAccountKey();
    // The text of the sign-in view's key field.
    void SignIn(const QString& text);
    // After a check that failed on the network: checks the same key again.
    void Retry();
    void SignOut();

signals:
    // A key is in use; every account-scoped request carries it from now on.
    void SignedIn(const QString& accountKey);
    // The sign-in view should show (again).
    void SignInRequired();
    void SignInMessageChanged();
    // A check could not reach the service.
    void ErrorOccurred(const QString& text);
    void SignedOut();

private:
    enum class Message
    {
        EnterKeyToSignIn,
        EnterKey,
        KeyHasBadCharacters,
        Checking,
        KeyNotKnown,
        NotAccepted
    };

    void StartWithAccountKey(const QString& key, bool checkAccount);
    void AskForKey(Message message);
    void SetMessage(Message message);
    void CheckAccountKey(const QString& key);
    void OnSignInCheckFinished();
    void OnQuietCheckFinished();
    void TakeAccountDetails(const VPNApiGetUserInfoResponse& response);

    VPNApi& m_api;
    AccountKeyStore& m_keyStore;
    QString m_keyFromEnvironment;
    QString m_accountKey;
    QString m_userName;
    QString m_email;
    Message m_message = Message::EnterKeyToSignIn;
    // The key of the sign-in under way (or of the last one that failed on the network).
    QString m_keyUnderCheck;
    // The one sign-in check whose answer counts, and the quiet check of the key in use.
    std::shared_ptr<VPNApiGetUserInfoResponse> m_signInCheck;
    std::shared_ptr<VPNApiGetUserInfoResponse> m_quietCheck;
};
