#pragma once

class QString;
class QWidget;

/**
 * A debugging hook for runs without a screen (the offscreen demo, end-to-end runs): when the
 * environment variable NORVANE_SCREENSHOT_ON_<EVENT> names a file, the window saves a picture
 * of itself there (PNG) when that event happens. The main window calls it with "connect" when
 * the connected view shows, so NORVANE_SCREENSHOT_ON_CONNECT=/tmp/connected.png keeps a
 * picture of the connected window. Without the variable nothing happens.
 */
class WindowSnapshot
{
public:
    // Saves window to the file the event's variable names; true when a picture was saved.
    static bool SaveIfRequested(QWidget& window, const char* event);
    // The variable an event is read from: "connect" gives "NORVANE_SCREENSHOT_ON_CONNECT".
    static QString VariableName(const char* event);
    // Grabs window and writes it as PNG to path, replacing the file atomically.
    static bool Save(QWidget& window, const QString& path);
};
