#pragma once

#include <QList>
#include <QObject>

#include <memory>

class QSocketNotifier;

/**
 * Turns the termination signals (SIGTERM, SIGINT, SIGHUP) into a Qt signal on the event loop,
 * so they end the program the same way as "/exit" does, tunnel first. The signal handler only
 * writes the number to a pipe (the self-pipe pattern); everything else happens in the loop.
 * One watcher per process; the default handling comes back when it is destroyed.
 */
class UnixSignalWatcher final : public QObject
{
    Q_OBJECT

public:
    explicit UnixSignalWatcher(QList<int> signalNumbers, QObject* parent = nullptr);
    ~UnixSignalWatcher() override;

signals:
    void SignalReceived(int signalNumber);

private:
    void OnPipeReadable();

    QList<int> m_signals;
    int m_pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
};
