#pragma once

#include "tunnel/openvpngeneric.h"

#include <QStringList>

/**
 * A tunnel controller without OpenVPN: it records the platform calls the workflow causes and
 * reports what a test script tells it to, through the controller's own signals.
 */
class ScriptedTunnel final : public OpenVpnGeneric
{
    Q_OBJECT

public:
    using OpenVpnGeneric::OpenVpnGeneric;

    // "DoConnect", "DoDisconnect", "StopService" in the order they happened.
    QStringList Calls() const { return m_calls; }
    void ClearCalls() { m_calls.clear(); }
    // When set, every DoDisconnect() is answered with Disconnected() from the event loop, as
    // OpenVPN's "EXITING" would be.
    void SetAnswerDisconnect(bool answer) { m_answerDisconnect = answer; }

    void ReportConnecting() { emit Connecting(); }
    void ReportDisconnected() { emit Disconnected(); }
    void ReportConnectedPtP() { emit ConnectedPtP(); }
    // OpenVPN could not be started: serviceOk drops and the disconnected signal follows after
    // the controller's failure delay.
    void ReportStartFailed() { ReportStartFailure(); }

public slots:
    void DoConnect() override;
    void DoDisconnect() override;

protected:
    void StopService() override { m_calls.append(QStringLiteral("StopService")); }

private:
    QStringList m_calls;
    bool m_answerDisconnect = false;
};
