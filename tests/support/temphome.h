#pragma once

#include <QTemporaryDir>

// A throw-away NORVANE_HOME for one test: the client's files land here, never in the
// real user's folders. Restores the previous value when it goes out of scope.
class TempHome
{
public:
    TempHome() { qputenv("NORVANE_HOME", m_dir.path().toUtf8()); }
    ~TempHome()
    {
        if (m_hadPrevious)
            qputenv("NORVANE_HOME", m_previous);
        else
            qunsetenv("NORVANE_HOME");
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    QString Path() const { return m_dir.path(); }
    QString ConfigPath(const QString& fileName) const
    {
        return Path() + QStringLiteral("/Config/") + fileName;
    }

private:
    QTemporaryDir m_dir;
    const QByteArray m_previous = qgetenv("NORVANE_HOME");
    const bool m_hadPrevious = qEnvironmentVariableIsSet("NORVANE_HOME");
};
