#include "processLifetime.h"

#include <windows.h>

namespace
{

// A job that ends every process in it when its last handle closes, which is when this test
// process ends. Processes started from here join it by themselves.
void joinJobThatEndsWithUs()
{
    const HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (job == nullptr)
        return;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits) ||
        !AssignProcessToJobObject(job, GetCurrentProcess()))
        CloseHandle(job);
    // Otherwise the handle stays open for as long as this process lives.
}

} // namespace

void endWithThisProcess(QProcess&)
{
    [[maybe_unused]] static const bool joined = (joinJobThatEndsWithUs(), true);
}
