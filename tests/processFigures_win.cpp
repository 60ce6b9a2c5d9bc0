#include "processFigures.h"

#include <memory>
#include <optional>

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

// The process's memory counters; nothing where they cannot be had or mean nothing.
std::optional<PROCESS_MEMORY_COUNTERS> memoryCounters(qint64 pid)
{
    if (runningUnderWine())
        return std::nullopt;
    const OwnedHandle process = openForQuery(pid);
    PROCESS_MEMORY_COUNTERS counters{};
    if (!process || !GetProcessMemoryInfo(process.get(), &counters, sizeof counters))
        return std::nullopt;
    return counters;
}

} // namespace

// Wine answers with figures that do not follow a process's allocations (a working set that stays
// put while the process touches 50 MB, no private bytes, no handles): nothing to measure by.
qint64 residentKiB(qint64 pid)
{
    const auto counters = memoryCounters(pid);
    return counters ? qint64(counters->WorkingSetSize / 1024) : -1;
}

qint64 peakResidentKiB(qint64 pid)
{
    const auto counters = memoryCounters(pid);
    return counters ? qint64(counters->PeakWorkingSetSize / 1024) : -1;
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
