#include "connection/accountsession.h"

#include "api/vpnapi.h"
#include "api/vpnapigetuserinforesponse.h"
#include "platform/accountkeystore.h"

#include <QDebug>

#include <utility>

AccountSession::AccountSession(VPNApi& api, AccountKeyStore& keyStore, QString keyFromEnvironment,
                               QObject* parent)
    : QObject(parent)
    , m_api(api)
    , m_keyStore(keyStore)
    , m_keyFromEnvironment(std::move(keyFromEnvironment))
{
    connect(&m_keyStore, &AccountKeyStore::Loaded, this, [this](const QString& stored) {
        const QString key = AcceptableAccountKey(stored);
        if (key.isEmpty())
            AskForKey(Message::EnterKeyToSignIn);
        else
            StartWithAccountKey(key, true);
    });
    connect(&m_keyStore, &AccountKeyStore::Stored, this, [](bool ok) {
        if (!ok)
            qDebug() << "The account key could not be stored; it is asked for again at the next start.";
    });
}

AccountSession::~AccountSession() = default;

QString AccountSession::AcceptableAccountKey(const QString& text)
{
    QString key = text.trimmed();
    for (const QChar c : key) {
        if (c.category() == QChar::Other_Control)
            return QString();
    }
    return key;
}

QString AccountSession::SignInMessage() const
{
    switch (m_message) {
    case Message::EnterKeyToSignIn:
        return tr("ENTER YOUR ACCOUNT KEY TO SIGN IN.");
    case Message::EnterKey:
        return tr("ENTER YOUR ACCOUNT KEY.");
    case Message::KeyHasBadCharacters:
        return tr("THE ACCOUNT KEY CONTAINS CHARACTERS THAT ARE NOT ALLOWED.");
    case Message::Checking:
        return tr("CHECKING YOUR ACCOUNT KEY...");
    case Message::KeyNotKnown:
        return tr("THIS ACCOUNT KEY IS NOT KNOWN. CHECK IT AND TRY AGAIN.");
    case Message::NotAccepted:
        return tr("THE SERVICE DID NOT ACCEPT THE SIGN-IN. TRY AGAIN OR CONTACT SUPPORT.");
    }
    return QString();
}

void AccountSession::LoadAccountKey()
{
    const QString key = AcceptableAccountKey(m_keyFromEnvironment);
    if (!key.isEmpty()) {
        qDebug() << "Using the account key given in the environment.";
        StartWithAccountKey(key, true);
        return;
    }
    if (!m_keyFromEnvironment.isEmpty())
        qDebug() << "The account key given in the environment is not usable.";
    m_keyStore.Load();
}

void AccountSession::StartWithAccountKey(const QString& key, bool checkAccount)
{
    m_accountKey = key;
    // Every account-scoped call from here on, the server list first, carries it.
    m_api.SetAccountKey(key);
    emit SignedIn(key);
    if (checkAccount) {
        // Only for the user name and e-mail of the support ticket; the workflow does not wait.
        m_quietCheck = m_api.CheckUserInfo(key);
        connect(m_quietCheck.get(), &VPNApiResponse::Finished, this, &AccountSession::OnQuietCheckFinished);
    }
}

void AccountSession::AskForKey(Message message)
{
    SetMessage(message);
    emit SignInRequired();
}

void AccountSession::SetMessage(Message message)
{
    m_message = message;
    emit SignInMessageChanged();
}

void AccountSession::SignIn(const QString& text)
{
    // Return in the key field while a check is under way, or a stray call once signed in.
    if (IsSignedIn() || IsChecking())
        return;
    if (text.trimmed().isEmpty()) {
        SetMessage(Message::EnterKey);
        return;
    }
    const QString key = AcceptableAccountKey(text);
    if (key.isEmpty()) {
        SetMessage(Message::KeyHasBadCharacters);
        return;
    }
    CheckAccountKey(key);
}

void AccountSession::Retry()
{
    if (IsSignedIn() || IsChecking() || m_keyUnderCheck.isEmpty())
        return;
    emit SignInRequired();
    CheckAccountKey(m_keyUnderCheck);
}

void AccountSession::CheckAccountKey(const QString& key)
{
    m_keyUnderCheck = key;
    qDebug() << "Checking the account key.";
    m_signInCheck = m_api.CheckUserInfo(key);
    connect(m_signInCheck.get(), &VPNApiResponse::Finished, this, &AccountSession::OnSignInCheckFinished);
    SetMessage(Message::Checking);
}

void AccountSession::OnSignInCheckFinished()
{
    // An answer to a check that a newer check or a sign-out replaced.
    if (sender() != m_signInCheck.get())
        return;
    const std::shared_ptr<VPNApiGetUserInfoResponse> check = std::move(m_signInCheck);

    if (check->IsSuccess()) {
        qDebug() << "Account key accepted.";
        const QString key = std::exchange(m_keyUnderCheck, QString());
        TakeAccountDetails(*check);
        m_keyStore.Store(key);
        StartWithAccountKey(key, false);
        return;
    }
    if (check->ErrorCode() == VPNApiResponse::ApiErrorCode::NetworkError) {
        qDebug() << "Account key check failed: network error.";
        emit ErrorOccurred(tr("NETWORK ERROR. TRY AGAIN OR EXIT AND CONTACT SUPPORT."));
        return;
    }
    qDebug() << "Account key refused:" << check->CodeText() << check->Message();
    m_keyUnderCheck.clear();
    AskForKey(check->ErrorCode() == VPNApiResponse::ApiErrorCode::ApiWrongId ? Message::KeyNotKnown
                                                                             : Message::NotAccepted);
}

void AccountSession::OnQuietCheckFinished()
{
    if (sender() != m_quietCheck.get())
        return;
    const std::shared_ptr<VPNApiGetUserInfoResponse> check = std::move(m_quietCheck);
    if (check->IsSuccess())
        TakeAccountDetails(*check);
    else
        qDebug() << "Account information not available:" << check->CodeText() << check->Message();
}

void AccountSession::TakeAccountDetails(const VPNApiGetUserInfoResponse& response)
{
    m_userName = response.UserName();
    m_email = response.Email();
    m_api.SetAccountEmail(m_email);
}

void AccountSession::SignOut()
{
    // Answers still under way belong to nobody now.
    m_signInCheck.reset();
    m_quietCheck.reset();
    m_accountKey.clear();
    m_keyUnderCheck.clear();
    m_userName.clear();
    m_email.clear();
    m_api.SetAccountKey(QString());
    m_api.SetAccountEmail(QString());
    m_keyStore.Forget();
    emit SignedOut();
    AskForKey(Message::EnterKeyToSignIn);
}
