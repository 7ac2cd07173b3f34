#pragma once

#include "api/vpnmessagehandler.h"
#include "updater/autoupdater.h"

#include <QDateTime>
#include <QUrl>

#include <chrono>

class Clock;
class Timer;
class VPNMessageQueue;

/**
 * The update check on Linux: fetches the appcast feed over HTTPS with the service's request
 * rules, takes its newest release and compares it with the running version. After
 * InitializeUpdater it checks by itself at most once a day, remembering the time of the last
 * check across starts; those checks stay quiet (a log line) unless they find a newer version.
 * CheckForUpdates always answers. One check runs at a time: a press during a check waits for
 * that check's answer.
 */
class AppcastAutoUpdater final : public AutoUpdater
{
    Q_OBJECT

public:
    static constexpr std::chrono::hours CheckInterval {24};
    // After a check that did not reach a usable feed, the program's own next try.
    static constexpr std::chrono::hours RetryInterval {1};

    // stateFilePath: the file that keeps the time of the last check that reached the feed.
    AppcastAutoUpdater(QUrl feedUrl, QString runningVersion, VPNMessageQueue& queue, Clock& clock,
                       QString stateFilePath, QObject* parent = nullptr);
    ~AppcastAutoUpdater() override;

    void InitializeUpdater() override;
    void CheckForUpdates() override;

    bool IsChecking() const { return m_checking; }
    // Invalid until a check has reached the feed.
    QDateTime LastCheck() const;

    // What a feed means for the running version.
    static UpdateCheckResult Evaluate(const QByteArray& feed, const QUrl& feedUrl,
                                      const QString& runningVersion);

private:
    void StartCheck();
    void OnFetched(const VPNMessageHandler::Outcome& outcome);
    void Finish(const UpdateCheckResult& result);
    void ScheduleCheck(std::chrono::milliseconds delay);
    void SaveLastCheck(const QDateTime& time);

    QUrl m_feedUrl;
    QString m_runningVersion;
    VPNMessageQueue& m_queue;
    Clock& m_clock;
    QString m_stateFilePath;
    Timer* m_timer;
    bool m_initialized = false;
    bool m_checking = false;
    bool m_userAsked = false;
};
