#pragma once

#include <QObject>

/**
 * A timer the workflow can start and stop without knowing where time comes from: the program's
 * are QTimers, a test's fire when the test advances its fake clock. A running timer started
 * again restarts with the new interval.
 */
class Timer : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual void Start(int milliseconds) = 0;
    virtual void Stop() = 0;
    virtual bool IsActive() const = 0;
    // A repeating timer fires every interval until it is stopped; a single-shot one once.
    virtual void SetSingleShot(bool singleShot) = 0;

signals:
    void Expired();
};
