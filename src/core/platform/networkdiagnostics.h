#pragma once

#include <QObject>

/**
 * The network checks of the support report, one step at a time: a name lookup of a public host,
 * a ping and a trace route to the API host, and the machine's IP configuration. Each started step
 * reports its text output once through StepFinished(). Abort() ends the running step (its
 * commands are killed) and nothing is reported for it afterwards, so the next step can start at
 * once. The platform layer runs the commands; tests pass a fake that can hang.
 */
class NetworkDiagnostics : public QObject
{
    Q_OBJECT

public:
    enum class Step
    {
        NameLookup,
        Ping,
        TraceRoute,
        IpConfiguration
    };

    using QObject::QObject;

    // host is the host the step is about; IpConfiguration ignores it.
    virtual void StartStep(Step step, const QString& host) = 0;
    virtual void Abort() = 0;

signals:
    void StepFinished(const QByteArray& output);
};
