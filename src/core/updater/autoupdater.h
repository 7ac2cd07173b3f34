#pragma once

#include "updater/updatecheckresult.h"

#include <QObject>

/**
 * The program's update check. InitializeUpdater starts the checks the program makes by itself
 * once the window shows; CheckForUpdates checks now because the user asked. The check never
 * blocks: what the user should see leaves through ResultAvailable, and the window shows it.
 */
class AutoUpdater : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~AutoUpdater() override = default;

    virtual void InitializeUpdater() = 0;
    virtual void CheckForUpdates() = 0;

signals:
    // Every answer to CheckForUpdates, and a newer version found by a check of the program's own.
    void ResultAvailable(const UpdateCheckResult& result);
};
