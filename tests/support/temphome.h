#pragma once

#include <QTemporaryDir>

#include <utility>

// A throw-away NORVANE_HOME for one test: the client's files land here, never in the
// real user's folders; so does the desktop configuration (XDG_CONFIG_HOME, where the
// start-at-login entry goes). Restores the previous values when it goes out of scope.
class TempHome
{
public:
    TempHome()
    {
        qputenv("NORVANE_HOME", m_dir.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", ConfigHome().toUtf8());
    }
    ~TempHome()
    {
        Restore("NORVANE_HOME", m_previousHome);
        Restore("XDG_CONFIG_HOME", m_previousConfig);
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    QString Path() const { return m_dir.path(); }
    QString ConfigPath(const QString& fileName) const
    {
        return Path() + QStringLiteral("/Config/") + fileName;
    }
    QString ConfigHome() const { return Path() + QStringLiteral("/xdg-config"); }

private:
    using Previous = std::pair<bool, QByteArray>;
    static Previous Keep(const char* name) { return {qEnvironmentVariableIsSet(name), qgetenv(name)}; }
    static void Restore(const char* name, const Previous& previous)
    {
        if (previous.first)
            qputenv(name, previous.second);
        else
            qunsetenv(name);
    }

    QTemporaryDir m_dir;
    const Previous m_previousHome = Keep("NORVANE_HOME");
    const Previous m_previousConfig = Keep("XDG_CONFIG_HOME");
};
