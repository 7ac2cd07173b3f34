#pragma once

#include <QString>
#include <QStringList>

// The user/password check a test OpenVPN server runs through auth-user-pass-verify via-file:
// the file holds the user name and the password on two lines; both must be a known account
// key in upper case, which is how the client logs in.
class CredentialCheck
{
public:
    static bool IsAccepted(const QString& user, const QString& password, const QStringList& accountKeys);
    static bool CheckFile(const QString& path, const QStringList& accountKeys);
};
