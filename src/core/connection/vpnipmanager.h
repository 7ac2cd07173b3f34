#pragma once

#include <QObject>

class Clock;
class Timer;
class VPNApi;

/**
 * Finds the public address under which the service sees the computer: the local address before
 * a tunnel exists, the new address once it is up. A new address only counts when it is not
 * empty and differs from the local one. Each request is retried once, after the retry interval
 * (a second in the program).
 */
class VPNIpManager : public QObject
{
    Q_OBJECT
public:
    VPNIpManager(VPNApi& api, Clock& clock, QObject* parent = nullptr);

    QString LocalIp() const { return m_localIp; }
    QString RemoteIp() const { return m_remoteIp; }
    void SetRetryInterval(int milliseconds) { m_retryIntervalMs = milliseconds; }

public slots:
    void RequestLocalIp();
    void RequestRemoteIp();
    void SetGenericIp(const QString& ipAddress);

signals:
    void LocalIpCheckFinished(bool isOK);
    void RemoteIpCheckFinished(bool isOK);

private:
    VPNApi& m_api;
    QString m_localIp;
    QString m_remoteIp;
    bool m_remoteMode = false;
    bool m_firstAttempt = true;
    // A new request cancels a pending retry, so a late retry cannot answer the wrong question.
    Timer* m_retryTimer;
    int m_retryIntervalMs = 1000;
};
