#pragma once

#include <QStringList>
#include <QtGlobal>

// Collects every Qt message while it lives (and still forwards nothing to the terminal), so a
// test can check what would reach the log. Only one may live at a time.
class LogCapture
{
public:
    LogCapture() { Messages().clear(); }
    ~LogCapture() { qInstallMessageHandler(m_previous); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QString All() const { return Messages().join(QLatin1Char('\n')); }
    bool Contains(const QString& text) const { return All().contains(text); }

private:
    static QStringList& Messages()
    {
        static QStringList messages;
        return messages;
    }

    const QtMessageHandler m_previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& message) { Messages() << message; });
};
