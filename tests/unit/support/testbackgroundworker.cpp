#include "support/backgroundworker.h"

#include <QTest>
#include <QThread>

#include <atomic>

class TestBackgroundWorker final : public QObject
{
    Q_OBJECT
private slots:
    // Each job runs off the owner's thread; its result comes back on the owner's thread, in the
    // order of the jobs.
    void resultsComeBackInOrderOnTheOwnersThread()
    {
        BackgroundWorker worker;
        QThread* const owner = QThread::currentThread();
        QStringList seen;
        for (int i = 0; i < 3; ++i) {
            worker.Run<bool>([owner] { return QThread::currentThread() != owner; },
                             [&seen, owner, i](bool offThread) {
                                 seen << QStringLiteral("%1 %2 %3")
                                             .arg(i)
                                             .arg(offThread)
                                             .arg(QThread::currentThread() == owner);
                             });
        }
        QTRY_VERIFY(!worker.IsBusy());
        QCOMPARE(seen,
                 QStringList({QStringLiteral("0 1 1"), QStringLiteral("1 1 1"), QStringLiteral("2 1 1")}));
    }

    // An owner that goes away while a job runs: the job is asked to stop and waited for, and its
    // result reaches nobody.
    void goingAwayStopsTheRunningJobAndDropsItsResult()
    {
        std::atomic_bool started {false};
        std::atomic_bool stopped {false};
        bool delivered = false;
        {
            BackgroundWorker worker;
            worker.Run<int>(
                [&started, &stopped] {
                    started = true;
                    while (!QThread::currentThread()->isInterruptionRequested())
                        QThread::yieldCurrentThread();
                    stopped = true;
                    return 1;
                },
                [&delivered](int) { delivered = true; });
            QTRY_VERIFY(started);
        }
        QVERIFY(stopped);
        QCoreApplication::processEvents();
        QVERIFY(!delivered);
    }
};

QTEST_GUILESS_MAIN(TestBackgroundWorker)
#include "testbackgroundworker.moc"
