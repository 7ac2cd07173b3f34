#include "windowsnapshot.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QSaveFile>
#include <QWidget>

QString WindowSnapshot::VariableName(const char* event)
{
    return QStringLiteral("NORVANE_SCREENSHOT_ON_") + QString::fromLatin1(event).toUpper();
}

bool WindowSnapshot::SaveIfRequested(QWidget& window, const char* event)
{
    const QString path = qEnvironmentVariable(VariableName(event).toLatin1().constData()).trimmed();
    if (path.isEmpty())
        return false;
    return Save(window, path);
}

bool WindowSnapshot::Save(QWidget& window, const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    // Written in one go so that whoever waits for the file never reads half a picture.
    QSaveFile file(path);
    const QPixmap picture = window.grab();
    if (picture.isNull() || !file.open(QIODevice::WriteOnly) || !picture.save(&file, "PNG")
        || !file.commit()) {
        qDebug() << "Can't save the window snapshot to" << path;
        return false;
    }
    qDebug() << "Window snapshot saved to" << path;
    return true;
}
