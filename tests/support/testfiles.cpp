#include "testfiles.h"

#include "support/loghandler.h"

#include <QFile>
#include <QRegularExpression>

#include <sys/stat.h>

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

uint FileMode(const QString& path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? uint(info.st_mode & 0777) : 0;
}

QStringList LogFileMessages(const QString& path)
{
    // A time stamp of 15 characters, the level, then the scrambled message.
    static const QRegularExpression line(QStringLiteral(R"(^.{15} \| [A-Za-z]+: (.*)$)"));
    QStringList messages;
    for (const QByteArray& raw : ReadFile(path).split('\n')) {
        const QRegularExpressionMatch match = line.match(QString::fromUtf8(raw));
        if (match.hasMatch())
            messages.append(LogHandler::UnscrambleLogText(match.captured(1)));
    }
    return messages;
}
