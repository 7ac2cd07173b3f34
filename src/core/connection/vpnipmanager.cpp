#include "connection/vpnipmanager.h"

#include "api/vpnapi.h"
#include "platform/clock.h"
#include "platform/timer.h"

#include <QDebug>

VPNIpManager::VPNIpManager(VPNApi& api, Clock& clock, QObject* parent)
    : QObject(parent)
    , m_api(api)
    , m_retryTimer(clock.CreateTimer(this))
{
    m_retryTimer->SetSingleShot(true);
    connect(m_retryTimer, &Timer::Expired, this, [this] {
        if (m_remoteMode)
            RequestRemoteIp();
        else
            RequestLocalIp();
    });
}

void VPNIpManager::RequestLocalIp()
{
    m_retryTimer->Stop();
    m_remoteMode = false;
    m_localIp.clear();
    m_api.GetRequestEntityIp();
}

void VPNIpManager::RequestRemoteIp()
{
    m_retryTimer->Stop();
    m_remoteMode = true;
    m_remoteIp.clear();
    m_api.GetRequestEntityIp();
}

void VPNIpManager::SetGenericIp(const QString& ipAddress)
{
    if (m_remoteMode) {
        m_remoteIp = ipAddress;
        qDebug() << "Assigned IP: " << m_remoteIp;
        if (!m_remoteIp.isEmpty() && m_remoteIp != m_localIp) {
            m_firstAttempt = true;
            emit RemoteIpCheckFinished(true);
        } else if (m_firstAttempt) {
            qDebug() << "First attempt to request new IP failed. Second attempt in 1 sec.";
            m_firstAttempt = false;
            m_retryTimer->Start(m_retryIntervalMs);
        } else {
            qDebug() << "Second attempt to request new IP failed. Disconnect here.";
            m_firstAttempt = true;
            emit RemoteIpCheckFinished(false);
        }
        return;
    }

    m_localIp = ipAddress;
    qDebug() << "Local IP: " << m_localIp;
    if (!m_localIp.isEmpty()) {
        m_firstAttempt = true;
        emit LocalIpCheckFinished(true);
    } else if (m_firstAttempt) {
        qDebug() << "First attempt to request local IP failed. Second attempt in 1 sec.";
        m_firstAttempt = false;
        m_retryTimer->Start(m_retryIntervalMs);
    } else {
        qDebug() << "Second attempt to request local IP failed.";
        m_firstAttempt = true;
        emit LocalIpCheckFinished(false);
    }
}
