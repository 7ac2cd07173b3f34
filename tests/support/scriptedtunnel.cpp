#include "scriptedtunnel.h"

#include <QMetaObject>

void ScriptedTunnel::DoConnect()
{
    m_calls.append(QStringLiteral("DoConnect"));
}

void ScriptedTunnel::DoDisconnect()
{
    m_calls.append(QStringLiteral("DoDisconnect"));
    if (m_answerDisconnect)
        QMetaObject::invokeMethod(this, &ScriptedTunnel::DisconnectedSignal, Qt::QueuedConnection);
}
