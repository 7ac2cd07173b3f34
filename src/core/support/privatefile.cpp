#include "support/privatefile.h"

#include <QByteArray>
#include <QSaveFile>
#include <QString>

bool PrivateFile::Write(const QString& path, const QByteArray& content, QString* error)
{
    QSaveFile file(path);
    const bool ok = file.open(QIODevice::WriteOnly)
        && file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        && file.write(content) == content.size() && file.commit();
    if (!ok && error)
        *error = file.errorString();
    return ok;
}
