#pragma once

#include <QByteArray>
#include <QByteArrayList>

/**
 * Takes secrets out of OpenVPN's output before anything is written or passed on. OpenVPN logs the
 * management commands it receives at verb 4, the account key in "username" among them; the
 * credential arguments of those commands are masked whatever they hold, and the secrets the helper
 * itself knows (the management password) wherever they appear.
 */
class OutputMask
{
public:
    static constexpr char Masked[] = "[masked]";

    void AddSecret(const QByteArray& secret);
    void Clear() { m_secrets.clear(); }
    QByteArray Apply(QByteArray line) const;

private:
    QByteArrayList m_secrets;
};
