#pragma once

#include "tunnel/openvpngeneric.h"

#include <QTimer>

#include <memory>

class ServiceController;

/**
 * The tunnel controller on Linux: starts and stops OpenVPN through a ServiceController (in the
 * program, norvane-helper on the system bus) and talks to it through the management client it
 * owns, with the management password of each run.
 * Every wait is a timer, so the GUI thread keeps running while OpenVPN starts and stops: a
 * disconnect returns at once and the end follows as a signal (bounded by the disconnect wait).
 */
class OpenVpnLinux final : public OpenVpnGeneric
{
    Q_OBJECT

public:
    OpenVpnLinux(VPNSettings& settings, const ISystemServices& services,
                 std::unique_ptr<ServiceController> serviceController, QObject* parent = nullptr);
    ~OpenVpnLinux() override;

    // OpenVPN run by norvane-helper from the configuration directory of services.
    static std::unique_ptr<ServiceController> CreateHelperController(const ISystemServices& services);
    ServiceController& Service() const { return *m_serviceController; }
    // Where the CA certificate is copied from before each start (a deployment value).
    void SetCaSourceFile(const QString& path) { m_caSourceFile = path; }
    bool IsServiceCheckRunning() const { return m_serviceCheckTimer.isActive(); }

signals:
    void timerFinished();

public slots:
    void CheckService();
    void DoConnect() override;
    void DoDisconnect() override;
    void OnManagementSocketError() override;

protected:
    void StopService() override;

private:
    bool CopyCaFile();
    void StartService();
    void OnServiceCheckFinished();
    void OnStopFinished(bool stopped);
    void OnStartFailed(const QString& reason);
    void ConnectManagement();
    void CancelPendingStart();

    std::unique_ptr<ServiceController> m_serviceController;
    QString m_caSourceFile;
    QTimer m_serviceCheckTimer;
    QTimer m_managementConnectTimer;
    int m_serviceCheckCount = 0;
    bool m_serviceStarted = false;
    // A start waits for the stop of an openvpn that was already running.
    bool m_startAfterStop = false;
};
