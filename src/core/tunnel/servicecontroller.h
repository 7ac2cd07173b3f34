#pragma once

#include <QObject>

/**
 * Control of the program that carries the tunnel, reduced to the four operations the tunnel
 * controller relies on. One implementation per platform; tests supply fakes.
 *
 * Stop() never blocks: it asks the service to end and reports through StopFinished() whether it
 * ended within the implementation's bounded wait. While a stop is in progress, further Stop()
 * calls join it and produce no second report.
 */
class ServiceController : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~ServiceController() override;

    /// The service can be started at all (its program exists).
    virtual bool IsInstalled() const = 0;
    /// The service runs or is starting.
    virtual bool IsRunning() const = 0;
    /// Requests the start; true when the request was accepted (the service may still be starting).
    virtual bool Start() = 0;
    /// Requests the stop; the result follows as StopFinished().
    virtual void Stop() = 0;
    /// A stop was requested and has not been reported yet.
    virtual bool IsStopping() const = 0;
    /// The password of the running service's management interface; empty when it takes none.
    virtual QString ManagementPassword() const { return QString(); }

signals:
    void StopFinished(bool stopped);
    /// An accepted start request failed after all; reason says why, for the log.
    void StartFailed(const QString& reason);
    /// The service ended without a Stop() asking it to (it failed, was killed, or exited on its
    /// own); reason says how, for the log.
    void EndedUnexpectedly(const QString& reason);
};
