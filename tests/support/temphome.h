#pragma once

#include <QTemporaryDir>

// A throw-away NORVANE_HOME for one test: the client's files land here, never in the
// real user's folders. Restores the previous value when it goes out of scope.
class TempHome
{
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    QString Path() const { return m_dir.path(); }
    QString ConfigPath(const QString& fileName) const;

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
    bool m_hadPrevious = false;
};
