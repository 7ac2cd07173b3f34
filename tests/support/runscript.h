#pragma once

#include <QStringList>
#include <QTest>

// Runs the steps of a script-style test row in order; the first failing step ends the row and is
// named in the failure.
template<typename Step> void RunScript(const QStringList& steps, Step step)
{
    for (const QString& each : steps) {
        step(each);
        if (QTest::currentTestFailed())
            QFAIL(qPrintable(QStringLiteral("at step: ") + each));
    }
}
