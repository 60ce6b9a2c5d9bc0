#pragma once

#include <QtGlobal>

// Resident memory in KiB of a running process; -1 where this system cannot tell.
qint64 residentKiB(qint64 pid);

// The most resident memory in KiB a running process has had; -1 where this system cannot tell.
qint64 peakResidentKiB(qint64 pid);

// Open file descriptors (on Windows, handles) of a running process; -1 where this system cannot
// tell.
int openFileCount(qint64 pid);

// What a process may hold in memory beyond the limit a test sets for it, in KiB: nothing, unless
// KESTROVA_MEMORY_ALLOWANCE_KIB says otherwise for a build whose allocator keeps freed memory on
// purpose (AddressSanitizer's quarantine), where LeakSanitizer looks for leaks instead and the
// plain build's run holds the limits.
inline qint64 memoryAllowanceKiB()
{
    bool ok = false;
    const int allowance = qEnvironmentVariableIntValue("KESTROVA_MEMORY_ALLOWANCE_KIB", &ok);
    return ok && allowance > 0 ? allowance : 0;
}
