#pragma once

#include <QtGlobal>

// Resident memory in KiB of a running process; -1 where this system cannot tell.
qint64 residentKiB(qint64 pid);

// The most resident memory in KiB a running process has had; -1 where this system cannot tell.
qint64 peakResidentKiB(qint64 pid);

// Open file descriptors (on Windows, handles) of a running process; -1 where this system cannot
// tell.
int openFileCount(qint64 pid);
