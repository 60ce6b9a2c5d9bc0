#include "processFigures.h"

#include <QDir>
#include <QFile>

namespace
{

// A figure in KiB from the process's status file, such as "VmRSS:"; -1 when it has none.
qint64 statusKiB(qint64 pid, const QByteArray& key)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

} // namespace

qint64 residentKiB(qint64 pid)
{
    return statusKiB(pid, "VmRSS:");
}

qint64 peakResidentKiB(qint64 pid)
{
    return statusKiB(pid, "VmHWM:");
}

int openFileCount(qint64 pid)
{
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    return fds.exists() ? int(fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size()) : -1;
}
