#pragma once

#include <QString>
#include <QUrl>

// What one update check found, for the window to show.
struct UpdateCheckResult
{
    enum class Outcome
    {
        NewerVersion,
        UpToDate,
        Failed
    };

    Outcome outcome = Outcome::Failed;
    QString runningVersion;
    // The newest release of the feed (empty when the check failed).
    QString version;
    QString title;
    // Plain text, never markup: it comes from the network.
    QString releaseNotes;
    QUrl releaseNotesLink;
    QUrl downloadUrl;
    // Why the check failed, in the words of the log.
    QString error;
};
