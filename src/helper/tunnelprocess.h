#pragma once

#include "outputmask.h"

#include <QObject>
#include <QProcess>
#include <QString>
#include <QTimer>

/**
 * One OpenVPN run for one user, from a root-owned folder of its own. Start() reads the user's
 * configuration folder without following links and only files the user owns, checks the
 * configuration line by line, copies what it accepts (with the CA and the proxy credentials) and
 * a fresh management password into the folder, and runs OpenVPN there as a child. OpenVPN's output
 * is masked line by line before it is written to the folder's log or passed on.
 *
 * A pid file in the folder lets the next helper end an OpenVPN that outlived its helper.
 */
class TunnelProcess final : public QObject
{
    Q_OBJECT

public:
    static constexpr int StopLimitMs = 5000;

    TunnelProcess(QString openvpnBinary, QString runtimeRoot, uint uid, QObject* parent = nullptr);
    ~TunnelProcess() override;

    // Prepares and starts; false with Error() when the configuration or the files are refused.
    bool Start(const QString& configDirectory);
    void Stop();
    bool IsRunning() const { return m_process.state() != QProcess::NotRunning; }
    uint Uid() const { return m_uid; }
    QString Folder() const;
    QString ManagementPassword() const { return m_managementPassword; }
    QString Error() const { return m_error; }

    // Ends every OpenVPN recorded in a pid file under runtimeRoot that still runs from there.
    static void EndLeftovers(const QString& runtimeRoot);

signals:
    void OutputReceived(const QString& lines);
    void Ended(int exitCode);

private:
    bool Prepare(const QString& configDirectory);
    bool Fail(const QString& error);
    void OnOutput();
    void OnFinished(int exitCode);
    void RemoveSecrets() const;

    QString m_binary;
    QString m_runtimeRoot;
    uint m_uid;
    QString m_managementPassword;
    QString m_error;
    QProcess m_process;
    QTimer m_killTimer;
    QByteArray m_partialLine;
    OutputMask m_mask;
};
