#include "support/backgroundworker.h"

BackgroundWorker::BackgroundWorker(QObject* parent)
    : QObject(parent)
    , m_jobs(std::make_unique<QObject>())
{
    m_thread.setObjectName(QStringLiteral("BackgroundWorker"));
    m_jobs->moveToThread(&m_thread);
}

BackgroundWorker::~BackgroundWorker()
{
    // Jobs post their results to this object; once the thread has ended none can come any more,
    // and the ones already posted go with this object's pending events.
    m_thread.requestInterruption();
    m_thread.quit();
    m_thread.wait();
}

void BackgroundWorker::Post(std::function<std::shared_ptr<void>()> job,
                            std::function<void(const std::shared_ptr<void>&)> done)
{
    const quint64 id = ++m_lastJob;
    m_done.emplace(id, std::move(done));
    if (!m_thread.isRunning())
        m_thread.start();
    QMetaObject::invokeMethod(
        m_jobs.get(),
        [this, id, job = std::move(job)] {
            if (QThread::currentThread()->isInterruptionRequested())
                return;
            std::shared_ptr<void> result = job();
            QMetaObject::invokeMethod(
                this,
                [this, id, result = std::move(result)] {
                    auto node = m_done.extract(id);
                    if (!node.empty())
                        node.mapped()(result);
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}
