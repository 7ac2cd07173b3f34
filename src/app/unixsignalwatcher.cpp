#include "unixsignalwatcher.h"

#include <QDebug>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Written by the handler only; set before any handler is installed.
volatile sig_atomic_t g_writeEnd = -1;

extern "C" void OnSignal(int signalNumber)
{
    // Only async-signal-safe work here: one byte into the pipe, errno kept as it was.
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(g_writeEnd, &byte, 1);
    errno = savedErrno;
}

} // namespace

UnixSignalWatcher::UnixSignalWatcher(QList<int> signalNumbers, QObject* parent)
    : QObject(parent)
    , m_signals(std::move(signalNumbers))
{
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        qWarning() << "No pipe for the termination signals; they keep their default handling.";
        return;
    }
    g_writeEnd = m_pipe[1];
    m_notifier = std::make_unique<QSocketNotifier>(m_pipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &UnixSignalWatcher::OnPipeReadable);
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : std::as_const(m_signals))
        ::sigaction(number, &action, nullptr);
}

UnixSignalWatcher::~UnixSignalWatcher()
{
    if (m_pipe[0] < 0)
        return;
    for (const int number : std::as_const(m_signals))
        ::signal(number, SIG_DFL);
    m_notifier.reset();
    g_writeEnd = -1;
    ::close(m_pipe[0]);
    ::close(m_pipe[1]);
}

void UnixSignalWatcher::OnPipeReadable()
{
    unsigned char byte = 0;
    while (::read(m_pipe[0], &byte, 1) == 1)
        emit SignalReceived(byte);
}
