#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

/**
 * Reads an appcast: the Sparkle RSS feed that lists the program's releases. The feed comes
 * from the network, so nothing in it is trusted: versions must be dotted numbers, links must
 * be https, and the release notes leave as plain text.
 */
class Appcast
{
public:
    // One release of the feed.
    struct Item
    {
        // What versions compare by: sparkle:version, else sparkle:shortVersionString.
        QString version;
        // What the user is shown: sparkle:shortVersionString, else the version.
        QString displayVersion;
        QString title;
        // The description as plain text (HTML taken apart); may be empty.
        QString releaseNotes;
        // Empty unless https.
        QUrl releaseNotesLink;
        QUrl downloadUrl;
    };

    // The item with the highest version among those with a numeric version. False, with error
    // set, when the text is no RSS document or none of its items has a numeric version.
    // Relative links are resolved against feedUrl.
    static bool ParseNewest(const QByteArray& feed, const QUrl& feedUrl, Item* newest, QString* error);

    // True for dotted decimal numbers ("2", "1.10.3"); surrounding blanks are allowed.
    static bool IsNumericVersion(const QString& version);
    // Compares numeric versions part by part as numbers ("1.10" > "1.9"); a missing part counts as
    // zero ("1.2" == "1.2.0"). Negative, zero or positive like strcmp; both must be numeric.
    static int CompareVersions(const QString& left, const QString& right);

    // The text of an HTML fragment: tags dropped (script and style with their content), line
    // and paragraph ends kept as line breaks, character references decoded.
    static QString PlainTextFromHtml(const QString& html);
};
