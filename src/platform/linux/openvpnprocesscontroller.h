#pragma once

#include "tunnel/servicecontroller.h"

#include <QTimer>

/**
 * Runs the openvpn binary with the client configuration as a detached process: it is not our
 * child, so it can outlive this object and the program. Its output goes to a file beside the
 * log, and its process id to a pid file in the configuration directory, through which it is
 * found again: by us, and by the next run when one was left behind (after a crash).
 *
 * Stopping sends SIGTERM, checks up to StopCheckLimit times StopCheckInterval apart on a timer
 * and, when the process is still there, sends SIGKILL and reports failure.
 */
class OpenVpnProcessController final : public ServiceController
{
    Q_OBJECT

public:
    static constexpr int DefaultStopCheckIntervalMs = 200;
    static constexpr int DefaultStopCheckLimit = 10;

    // configDirectory ends with "/" and holds conn.ovpn; outputFile receives openvpn's output.
    OpenVpnProcessController(QString binary, QString configDirectory, QString outputFile,
                             QObject* parent = nullptr);
    ~OpenVpnProcessController() override;

    // The binary to run: the given path when set, else openvpn on PATH, else /usr/sbin/openvpn.
    static QString FindBinary(const QString& configured);

    bool IsInstalled() const override;
    bool IsRunning() const override;
    bool Start() override;
    void Stop() override;
    bool IsStopping() const override { return m_stopTimer.isActive() || m_stopReportPending; }

    QString Binary() const { return m_binary; }
    QString PidFilePath() const;
    QStringList Arguments() const;
    // Process id of the running openvpn of our configuration; 0 when none.
    qint64 RunningPid() const;
    void SetStopTiming(int intervalMs, int checkLimit);

private:
    void OnStopCheck();
    void ReportStop(bool stopped);
    void SendSignal(int signalNumber) const;

    QString m_binary;
    QString m_configDirectory;
    QString m_outputFile;
    QTimer m_stopTimer;
    int m_stopChecks = 0;
    int m_stopCheckLimit = DefaultStopCheckLimit;
    bool m_stopReportPending = false;
};
