#include "linux/xdgautostartentry.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <utility>

namespace {

// Characters that make an Exec argument need quotes (the freedesktop.org desktop entry format, its Exec key).
bool IsReserved(QChar c)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    return reserved.contains(c);
}

} // namespace

XdgAutostartEntry::XdgAutostartEntry(QString directory, QString executablePath, const QString& productWord)
    : m_directory(std::move(directory))
    , m_filePath(m_directory + QLatin1Char('/') + productWord.toLower() + QStringLiteral(".desktop"))
    , m_executablePath(std::move(executablePath))
    , m_name(productWord.toUpper())
{ }

QString XdgAutostartEntry::DefaultDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/autostart");
}

QString XdgAutostartEntry::ExecArgument(const QString& argument)
{
    // A literal percent sign would start a field code.
    QString quoted = argument;
    quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
    if (std::any_of(quoted.cbegin(), quoted.cend(), IsReserved)) {
        QString inner;
        for (const QChar c : std::as_const(quoted)) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$')
                || c == QLatin1Char('\\'))
                inner += QLatin1Char('\\');
            inner += c;
        }
        quoted = QLatin1Char('"') + inner + QLatin1Char('"');
    }
    // The value is a string first: its own escapes are undone before the quoting is read, so
    // every backslash of the quoting is doubled here.
    QString value;
    for (const QChar c : std::as_const(quoted)) {
        if (c == QLatin1Char('\\'))
            value += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            value += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            value += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            value += QStringLiteral("\\r");
        else
            value += c;
    }
    return value;
}

QByteArray XdgAutostartEntry::EntryText() const
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=%1\n"
                          "Exec=%2\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(m_name, ExecArgument(m_executablePath))
        .toUtf8();
}

bool XdgAutostartEntry::Synchronize(bool enabled)
{
    if (!enabled) {
        if (!QFile::exists(m_filePath) || QFile::remove(m_filePath))
            return true;
        qDebug() << "Can't remove the autostart entry" << m_filePath;
        return false;
    }
    QSaveFile file(m_filePath);
    if (!QDir().mkpath(m_directory) || !file.open(QIODevice::WriteOnly)) {
        qDebug() << "Can't write the autostart entry" << m_filePath;
        return false;
    }
    file.write(EntryText());
    if (!file.commit()) {
        qDebug() << "Can't write the autostart entry" << m_filePath << file.errorString();
        return false;
    }
    return true;
}
