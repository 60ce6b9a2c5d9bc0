#include "processFigures.h"

#include <QDir>
#include <QFile>

qint64 residentKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

int openFileCount(qint64 pid)
{
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    return fds.exists() ? int(fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size()) : -1;
}
