#include "processFigures.h"

#include <memory>

#include <windows.h>
// windows.h first: psapi.h builds on its types.
#include <psapi.h>

#include "underWine.h"

namespace
{

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using OwnedHandle = std::unique_ptr<void, HandleCloser>;

OwnedHandle openForQuery(qint64 pid)
{
    return OwnedHandle(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_VM_READ, FALSE, DWORD(pid)));
}

} // namespace

// Wine answers with figures that do not follow a process's allocations (a working set that stays
// put while the process touches 50 MB, no private bytes, no handles): nothing to measure by.
qint64 residentKiB(qint64 pid)
{
    if (runningUnderWine())
        return -1;
    const OwnedHandle process = openForQuery(pid);
    PROCESS_MEMORY_COUNTERS counters{};
    if (!process || !GetProcessMemoryInfo(process.get(), &counters, sizeof counters))
        return -1;
    return qint64(counters.WorkingSetSize / 1024);
}

int openFileCount(qint64 pid)
{
    if (runningUnderWine())
        return -1;
    const OwnedHandle process = openForQuery(pid);
    DWORD handles = 0;
    if (!process || !GetProcessHandleCount(process.get(), &handles))
        return -1;
    return int(handles);
}
