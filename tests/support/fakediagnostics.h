#pragma once

#include "platform/networkdiagnostics.h"

#include <QList>

// Network checks that answer only when the test says so: a step left unanswered hangs.
class FakeDiagnostics final : public NetworkDiagnostics
{
public:
    QList<Step> started;
    int aborts = 0;

    void StartStep(Step step, const QString&) override { started.append(step); }
    void Abort() override { ++aborts; }
    void Answer(const QByteArray& output) { emit StepFinished(output); }
};
