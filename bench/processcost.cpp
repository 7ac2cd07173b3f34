#include "processcost.h"

#include <QDir>
#include <QFile>

#include <sys/resource.h>

namespace {

// The value of a "Name:   value ..." line of a /proc status file, 0 when it is missing.
qint64 StatusField(const QString& path, const QByteArray& name)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(name + ':'))
            return line.mid(name.size() + 1).trimmed().split(' ').constFirst().toLongLong();
    }
    return 0;
}

} // namespace

ProcessCost ProcessCost::ReadSelf()
{
    ProcessCost cost;
    // Each thread's schedstat starts with its time on a CPU in nanoseconds (finer than the
    // clock ticks of stat).
    const QString tasks = QStringLiteral("/proc/self/task/");
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile schedstat(tasks + task + QStringLiteral("/schedstat"));
        if (schedstat.open(QIODevice::ReadOnly))
            cost.cpuSeconds += schedstat.readAll().split(' ').constFirst().toLongLong() / 1e9;
    }
    // Every thread's switches, those of ended threads included.
    rusage usage {};
    if (::getrusage(RUSAGE_SELF, &usage) == 0)
        cost.contextSwitches = usage.ru_nvcsw + usage.ru_nivcsw;
    cost.residentKiB = StatusField(QStringLiteral("/proc/self/status"), "VmRSS");
    return cost;
}
