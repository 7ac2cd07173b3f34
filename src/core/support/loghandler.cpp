#include "support/loghandler.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QMutexLocker>
#include <QRandomGenerator>
#include <QRecursiveMutex>

#include <algorithm>
#include <memory>

namespace {

struct LogSink
{
    // Qt itself may log from its own threads; one line at a time reaches the file. Recursive
    // so that a message raised while writing cannot dead-lock the handler.
    QRecursiveMutex mutex;
    QString path;
    std::unique_ptr<QFile> file;
    bool enabled = true;
};

LogSink& Sink()
{
    static LogSink sink;
    return sink;
}

void OpenSinkFile(LogSink& sink)
{
    sink.file = std::make_unique<QFile>(sink.path);
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    // The directory is not created here; a missing one means lines are silently lost.
    if (sink.file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text, ownerOnly))
        sink.file->setPermissions(ownerOnly);
}

const char* LevelPrefix(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return "Message: ";
    case QtWarningMsg:
        return "Warning: ";
    case QtCriticalMsg:
        return "Critical: ";
    case QtFatalMsg:
        return "Fatal: ";
    case QtInfoMsg:
        break;
    }
    return nullptr;
}

QString RandomLetters()
{
    QString letters;
    for (int i = 0; i < 4; ++i)
        letters.append(QLatin1Char(static_cast<char>('A' + QRandomGenerator::global()->bounded(25))));
    return letters;
}

} // namespace

void LogHandler::Install(const QString& logFilePath)
{
    LogSink& sink = Sink();
    QMutexLocker locker(&sink.mutex);
    sink.file.reset();
    sink.path = logFilePath;
    sink.enabled = true;
    qInstallMessageHandler(&LogHandler::MessageHandler);
}

void LogHandler::SetEnabled(bool enabled)
{
    LogSink& sink = Sink();
    QMutexLocker locker(&sink.mutex);
    sink.enabled = enabled;
}

void LogHandler::Uninstall()
{
    qInstallMessageHandler(nullptr);
    LogSink& sink = Sink();
    QMutexLocker locker(&sink.mutex);
    sink.file.reset();
}

QString LogHandler::FormatLine(QtMsgType type, const QString& message)
{
    const char* prefix = LevelPrefix(type);
    if (!prefix)
        return QString();
    const QString stamp = QLocale(QStringLiteral("en"))
                              .toString(QDateTime::currentDateTime(), QStringLiteral("MMM dd hh:mm:ss | "));
    return stamp + QLatin1String(prefix) + ScrambleLogText(message) + QLatin1Char('\n');
}

void LogHandler::MessageHandler(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    // Formatted before taking the lock: a whole server list takes milliseconds to scramble, and
    // lines of other threads (the GUI thread's) wait only for the write.
    const QString line = FormatLine(type, message);
    if (line.isEmpty())
        return;
    const QByteArray bytes = line.toUtf8();
    LogSink& sink = Sink();
    QMutexLocker locker(&sink.mutex);
    if (!sink.file)
        OpenSinkFile(sink);
    if (!sink.enabled || !sink.file->isOpen())
        return;
    sink.file->write(bytes);
    // Flushed per line so the file is complete up to the last message even after a crash.
    sink.file->flush();
}

QString LogHandler::ScrambleLogText(const QString& text)
{
    QString base64 = QString::fromLatin1(text.toUtf8().toBase64());
    std::reverse(base64.begin(), base64.end());
    return RandomLetters() + base64 + RandomLetters();
}

QString LogHandler::UnscrambleLogText(const QString& text)
{
    if (text.size() <= 8)
        return QString();
    QString middle = text.mid(4, text.size() - 8);
    std::reverse(middle.begin(), middle.end());
    QByteArray bytes = QByteArray::fromBase64(middle.toLatin1());
    const int zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    QString decoded = QString::fromUtf8(bytes);
    decoded.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    decoded.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return decoded;
}
