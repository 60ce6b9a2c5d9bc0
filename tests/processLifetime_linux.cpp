#include "processLifetime.h"

#include <QProcess>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

// The kernel kills the child when the test's thread that started it ends; a test that ended
// before the child got this far is found by its parent no longer being the test.
void endWithThisProcess(QProcess& process)
{
    process.setChildProcessModifier([test = getpid()] {
        if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != test)
            _exit(127);
    });
}
