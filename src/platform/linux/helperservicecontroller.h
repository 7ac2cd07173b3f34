#pragma once

#include "tunnel/servicecontroller.h"

#include <QDBusConnection>
#include <QTimer>

/**
 * Starts and stops OpenVPN through norvane-helper, the root service on the system bus: the window
 * runs as the user and never runs OpenVPN itself. Every call is asynchronous. The helper answers a
 * start with the management password of that run, sends OpenVPN's output (already masked) to this
 * connection only, which is appended to the window's copy of the log, and says when OpenVPN ended.
 * When this program's bus connection goes, the helper stops the tunnel by itself.
 */
class HelperServiceController final : public ServiceController
{
    Q_OBJECT

public:
    static constexpr int StopLimitMs = 8000;

    // configDirectory holds conn.ovpn and tarnwick.crt; outputFile receives OpenVPN's output.
    HelperServiceController(QString configDirectory, QString outputFile,
                            QDBusConnection bus = QDBusConnection::systemBus(), QObject* parent = nullptr);
    ~HelperServiceController() override;

    bool IsInstalled() const override;
    bool IsRunning() const override { return m_running || m_startPending; }
    bool Start() override;
    void Stop() override;
    bool IsStopping() const override { return m_stopping; }
    QString ManagementPassword() const override { return m_managementPassword; }

private slots:
    // Targeted signals of the helper (the bus calls them by name).
    void OnTunnelOutput(const QString& lines);
    void OnDnsApplied(const QString& method, const QStringList& servers, const QString& error);
    void OnIpv6BlockFailed(const QString& error);
    void OnTunnelEnded(int exitCode);

private:
    void OnHelperGone();
    void RequestStop();
    void FinishStop(bool stopped);

    QString m_configDirectory;
    QString m_outputFile;
    QDBusConnection m_bus;
    QString m_managementPassword;
    QTimer m_stopTimer;
    bool m_running = false;
    bool m_startPending = false;
    bool m_stopping = false;
};
