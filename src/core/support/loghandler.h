#pragma once

#include <QString>
#include <QtGlobal>

// The one log file of a run: every Qt message becomes a line "MMM dd hh:mm:ss | Level: text"
// with the text scrambled, so the file is meant for support staff, not for reading in place.
// The file is created owner-only and truncated by the first message of each run.
class LogHandler
{
public:
    // Installs the Qt message handler writing to logFilePath. Installing again starts a new
    // sink: the next message truncates the file.
    static void Install(const QString& logFilePath);
    // Cleared at shutdown so nothing logged during teardown reaches the file.
    static void SetEnabled(bool enabled);
    // Closes the file; messages go nowhere until Install is called again.
    static void Uninstall();

    static void MessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message);
    static QString FormatLine(QtMsgType type, const QString& message);

    static QString ScrambleLogText(const QString& text);
    static QString UnscrambleLogText(const QString& text);
};
