#pragma once

#include <QObject>
#include <QThread>

#include <functional>
#include <map>
#include <memory>

/**
 * Runs long jobs (reading a large reply, loading the system's CA certificates) one after the
 * other on a thread of its own, so that the GUI thread stays responsive, and hands each result
 * back on the owner's thread. The thread starts with the first job and ends with this object:
 * the destructor asks a running job to stop (QThread::isInterruptionRequested()), waits for it
 * and drops every result not yet handed back, so nothing reaches an owner that is gone.
 */
class BackgroundWorker : public QObject
{
    Q_OBJECT
public:
    explicit BackgroundWorker(QObject* parent = nullptr);
    ~BackgroundWorker() override;

    // job runs on the worker thread and must touch nothing that lives on another thread (values
    // only); done runs later on this object's thread with job's result, in the order of Run().
    template<typename Result> void Run(std::function<Result()> job, std::function<void(Result)> done)
    {
        Post([job = std::move(job)] { return std::shared_ptr<void>(std::make_shared<Result>(job())); },
             [done = std::move(done)](const std::shared_ptr<void>& result) {
                 done(std::move(*std::static_pointer_cast<Result>(result)));
             });
    }

    // For tests: whether a job is queued or running, or a result waits to be handed back.
    bool IsBusy() const { return !m_done.empty(); }

private:
    void Post(std::function<std::shared_ptr<void>()> job,
              std::function<void(const std::shared_ptr<void>&)> done);

    QThread m_thread;
    // Lives on m_thread and receives the jobs.
    std::unique_ptr<QObject> m_jobs;
    quint64 m_lastJob = 0;
    // Touched on this object's thread only.
    std::map<quint64, std::function<void(const std::shared_ptr<void>&)>> m_done;
};
