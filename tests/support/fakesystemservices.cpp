#include "fakesystemservices.h"

FakeSystemServices::FakeSystemServices(const QString& root, const QString& productWord)
    : ISystemServices(productWord)
{
    SetApplicationDirectory(root);
}

bool FakeSystemServices::IsInternetConnected() const
{
    ++m_networkChecks;
    return m_internetConnected;
}
