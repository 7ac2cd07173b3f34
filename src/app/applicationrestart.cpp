#include "applicationrestart.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

bool ApplicationRestart::StartNewCopy()
{
    QProcess process;
    process.setProgram(QCoreApplication::applicationFilePath());
    process.setWorkingDirectory(QCoreApplication::applicationDirPath());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(MarkerVariable), QStringLiteral("1"));
    process.setProcessEnvironment(environment);
    return process.startDetached();
}

bool ApplicationRestart::TakeMarker()
{
    const bool restarted = qEnvironmentVariable(MarkerVariable) == QLatin1String("1");
    qunsetenv(MarkerVariable);
    return restarted;
}
