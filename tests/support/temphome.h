#pragma once

#include <QTemporaryDir>

#include <optional>

// A throw-away NORVANE_HOME for one test: the client's files land here, never in the real
// user's folders; so does the desktop's configuration (XDG_CONFIG_HOME, where the
// start-at-login entry goes). Restores the previous values when it goes out of scope.
class TempHome
{
public:
    TempHome()
    {
        qputenv("NORVANE_HOME", m_dir.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (Path() + QStringLiteral("/xdg-config")).toUtf8());
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

private:
    static std::optional<QByteArray> Keep(const char* name)
    {
        return qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
    }
    static void Restore(const char* name, const std::optional<QByteArray>& value)
    {
        value ? qputenv(name, *value) : qunsetenv(name);
    }

    QTemporaryDir m_dir;
    const std::optional<QByteArray> m_previousHome = Keep("NORVANE_HOME");
    const std::optional<QByteArray> m_previousConfig = Keep("XDG_CONFIG_HOME");
};
