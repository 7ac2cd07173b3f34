#pragma once

#include <QObject>
#include <QTimer>

class VPNApi;

/**
 * Finds the public address under which the service sees the computer: the local address before
 * a tunnel exists, the new address once it is up. A new address only counts when it is not
 * empty and differs from the local one. Each request is retried once, a second later.
 */
class VPNIpManager : public QObject
{
    Q_OBJECT
public:
    explicit VPNIpManager(VPNApi& api, QObject* parent = nullptr);

    QString LocalIp() const { return m_localIp; }
    QString RemoteIp() const { return m_remoteIp; }
    // Tests shorten the one-second pause before the retry.
    void SetRetryInterval(int milliseconds) { m_retryTimer.setInterval(milliseconds); }
    int RetryInterval() const { return m_retryTimer.interval(); }

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
    QTimer m_retryTimer;
};
