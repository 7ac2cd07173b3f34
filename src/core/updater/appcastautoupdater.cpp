#include "updater/appcastautoupdater.h"

#include "api/vpnmessagequeue.h"
#include "platform/clock.h"
#include "platform/isystemservices.h"
#include "platform/timer.h"
#include "updater/appcast.h"

#include <QDebug>
#include <QFile>
#include <QSaveFile>

#include <utility>

namespace {

QString DescribeOutcome(const UpdateCheckResult& result)
{
    switch (result.outcome) {
    case UpdateCheckResult::Outcome::NewerVersion:
        return QStringLiteral("version %1 is available (running %2)")
            .arg(result.version, result.runningVersion);
    case UpdateCheckResult::Outcome::UpToDate:
        return QStringLiteral("up to date (running %1, newest %2)")
            .arg(result.runningVersion, result.version);
    case UpdateCheckResult::Outcome::Failed:
        break;
    }
    return QStringLiteral("failed: ") + result.error;
}

} // namespace

AppcastAutoUpdater::AppcastAutoUpdater(QUrl feedUrl, QString runningVersion, VPNMessageQueue& queue,
                                       Clock& clock, QString stateFilePath, QObject* parent)
    : AutoUpdater(parent)
    , m_feedUrl(std::move(feedUrl))
    , m_runningVersion(std::move(runningVersion))
    , m_queue(queue)
    , m_clock(clock)
    , m_stateFilePath(std::move(stateFilePath))
    , m_timer(clock.CreateTimer(this))
{
    m_timer->SetSingleShot(true);
    connect(m_timer, &Timer::Expired, this, &AppcastAutoUpdater::StartCheck);
}

AppcastAutoUpdater::~AppcastAutoUpdater() = default;

void AppcastAutoUpdater::InitializeUpdater()
{
    if (m_initialized)
        return;
    m_initialized = true;
    const QDateTime last = LastCheck();
    const QDateTime now = m_clock.Now();
    const std::chrono::milliseconds sinceLast {last.isValid() ? last.msecsTo(now) : -1};
    // A last check "in the future" means the clock was set back: check rather than wait for it.
    if (!last.isValid() || sinceLast.count() < 0 || sinceLast >= CheckInterval)
        StartCheck();
    else
        ScheduleCheck(CheckInterval - sinceLast);
}

void AppcastAutoUpdater::CheckForUpdates()
{
    m_userAsked = true;
    StartCheck();
}

QDateTime AppcastAutoUpdater::LastCheck() const
{
    QFile file(m_stateFilePath);
    if (!file.open(QIODevice::ReadOnly))
        return QDateTime();
    return QDateTime::fromString(QString::fromLatin1(file.read(64)).trimmed(), Qt::ISODate);
}

void AppcastAutoUpdater::SaveLastCheck(const QDateTime& time)
{
    MakeFileDirectory(m_stateFilePath);
    QSaveFile file(m_stateFilePath);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(time.toUTC().toString(Qt::ISODate).toLatin1() + '\n') < 0 || !file.commit())
        qDebug() << "Cannot keep the time of the update check in" << m_stateFilePath << ":"
                 << file.errorString();
}

void AppcastAutoUpdater::ScheduleCheck(std::chrono::milliseconds delay)
{
    if (m_initialized)
        m_timer->Start(int(delay.count()));
}

void AppcastAutoUpdater::StartCheck()
{
    if (m_checking)
        return;
    m_timer->Stop();
    if (m_feedUrl.scheme() != QLatin1String("https") || m_feedUrl.host().isEmpty()) {
        UpdateCheckResult refused;
        refused.runningVersion = m_runningVersion;
        refused.error
            = QStringLiteral("the update feed address %1 is not an https address").arg(m_feedUrl.toString());
        Finish(refused);
        return;
    }
    m_checking = true;
    qDebug() << "Checking for updates at" << m_feedUrl.toString();
    m_queue.Fetch(m_feedUrl, this, [this](const VPNMessageHandler::Outcome& outcome) { OnFetched(outcome); });
}

void AppcastAutoUpdater::OnFetched(const VPNMessageHandler::Outcome& outcome)
{
    m_checking = false;
    if (!outcome.ok) {
        UpdateCheckResult failed;
        failed.runningVersion = m_runningVersion;
        failed.error = outcome.error;
        Finish(failed);
        return;
    }
    Finish(Evaluate(outcome.body, m_feedUrl, m_runningVersion));
}

void AppcastAutoUpdater::Finish(const UpdateCheckResult& result)
{
    qDebug() << "Update check:" << DescribeOutcome(result);
    if (result.outcome == UpdateCheckResult::Outcome::Failed) {
        ScheduleCheck(RetryInterval);
    } else {
        SaveLastCheck(m_clock.Now());
        ScheduleCheck(CheckInterval);
    }
    const bool show = m_userAsked || result.outcome == UpdateCheckResult::Outcome::NewerVersion;
    m_userAsked = false;
    if (show)
        emit ResultAvailable(result);
}

UpdateCheckResult AppcastAutoUpdater::Evaluate(const QByteArray& feed, const QUrl& feedUrl,
                                               const QString& runningVersion)
{
    UpdateCheckResult result;
    result.runningVersion = runningVersion;
    if (!Appcast::IsNumericVersion(runningVersion)) {
        result.error
            = QStringLiteral("the running version \"%1\" is not a version number").arg(runningVersion);
        return result;
    }
    Appcast::Item newest;
    if (!Appcast::ParseNewest(feed, feedUrl, &newest, &result.error))
        return result;
    result.outcome = Appcast::CompareVersions(newest.version, runningVersion) > 0
        ? UpdateCheckResult::Outcome::NewerVersion
        : UpdateCheckResult::Outcome::UpToDate;
    result.version = newest.displayVersion;
    result.title = newest.title;
    result.releaseNotes = newest.releaseNotes;
    result.releaseNotesLink = newest.releaseNotesLink;
    result.downloadUrl = newest.downloadUrl;
    return result;
}
