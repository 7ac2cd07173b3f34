#pragma once

#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QtGlobal>

// Collects every Qt message while it lives (and still forwards nothing to the terminal), so a
// test can check what would reach the log. Only one may live at a time. Messages may come from
// worker threads.
class LogCapture
{
public:
    LogCapture()
    {
        QMutexLocker locker(&Mutex());
        Messages().clear();
    }
    ~LogCapture() { qInstallMessageHandler(m_previous); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QString All() const
    {
        QMutexLocker locker(&Mutex());
        return Messages().join(QLatin1Char('\n'));
    }
    bool Contains(const QString& text) const { return All().contains(text); }

private:
    static QMutex& Mutex()
    {
        static QMutex mutex;
        return mutex;
    }
    static QStringList& Messages()
    {
        static QStringList messages;
        return messages;
    }

    const QtMessageHandler m_previous
        = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& message) {
              QMutexLocker locker(&Mutex());
              Messages() << message;
          });
};
