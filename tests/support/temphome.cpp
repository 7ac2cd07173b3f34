#include "temphome.h"

TempHome::TempHome()
    : m_previous(qgetenv("NORVANE_HOME"))
    , m_hadPrevious(qEnvironmentVariableIsSet("NORVANE_HOME"))
{
    qputenv("NORVANE_HOME", m_dir.path().toUtf8());
}

TempHome::~TempHome()
{
    if (m_hadPrevious)
        qputenv("NORVANE_HOME", m_previous);
    else
        qunsetenv("NORVANE_HOME");
}

QString TempHome::ConfigPath(const QString& fileName) const
{
    return m_dir.path() + QStringLiteral("/Config/") + fileName;
}
