#pragma once

#include "platform/networkdiagnostics.h"

#include <QObject>

#include <memory>

class Clock;
class QTemporaryDir;
class Timer;
class VPNApi;
struct VPNSettings;

/**
 * One run of the support file: a readable copy of the log, the network report (name lookup,
 * ping, trace route, IP configuration, in that order) and one addLogTicket request carrying both.
 *
 * Progress runs 0, 5 after the log copy, then creeps by one per tick of the running step
 * towards its ceiling and jumps to the step's end value (15, 30, 85, 90) when the step is over,
 * and 100 with the result. A step that does not finish within its limit is aborted, noted in the
 * report, and the run goes on. The files live in a private temporary folder removed at the end
 * of every run; neither file holds the account key or the proxy password.
 */
class SupportReport : public QObject
{
    Q_OBJECT

public:
    struct StepPlan
    {
        NetworkDiagnostics::Step step;
        int tickMs;
        int ceiling;
        int endValue;
        int limitMs;
    };
    static const StepPlan Plan[4];
    static constexpr int LogCopiedProgress = 5;
    static constexpr int DoneProgress = 100;
    static constexpr const char* ReportFileName = "FileForSupport.txt";

    // settings gives the proxy password to mask; logFilePath is the scrambled log of this run;
    // lookupHost is the public host of the name lookup.
    SupportReport(VPNApi& api, const VPNSettings& settings, std::unique_ptr<NetworkDiagnostics> diagnostics,
                  Clock& clock, QString logFilePath, QString lookupHost, QObject* parent = nullptr);
    ~SupportReport() override;

    bool IsRunning() const { return m_phase != Phase::Idle; }
    int Progress() const { return m_progress; }

    // One log line with its message made readable: the time stamp and level prefix stay, the
    // scrambled text after them is unscrambled. Lines of another shape are kept as they are.
    static QString ReadableLogLine(const QString& line);
    // The whole log made readable, each line ended by CR LF; the two fixed sentences when the
    // log is missing or empty.
    static QByteArray ReadableLog(const QString& logFilePath);

public slots:
    // Starts a run; does nothing while one is running.
    void Start();

signals:
    void ProgressChanged(int value);
    // The run is over and its files are gone; link is the ticket page on success.
    void Finished(bool ok, const QString& link);

private:
    enum class Phase
    {
        Idle,
        Collecting,
        Sending
    };

    void SetProgress(int value);
    void StartStep();
    void OnStepFinished(const QByteArray& output);
    void OnStepLimitReached();
    void EndStep(const QByteArray& output);
    void SendTicket();
    void OnTicketFinished(bool ok, const QString& link);
    void Finish(bool ok, const QString& link);
    QByteArray Masked(const QByteArray& text) const;
    QString ApiHostName() const;

    VPNApi& m_api;
    const VPNSettings& m_settings;
    std::unique_ptr<NetworkDiagnostics> m_diagnostics;
    QString m_logFilePath;
    QString m_lookupHost;
    Timer* m_tickTimer;
    Timer* m_limitTimer;
    Phase m_phase = Phase::Idle;
    int m_progress = 0;
    int m_stepIndex = 0;
    bool m_stepRunning = false;
    QByteArray m_report;
    std::unique_ptr<QTemporaryDir> m_folder;
};
