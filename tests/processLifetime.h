#pragma once

class QProcess;

// Makes `process`, started after this call, end together with this test process however that
// ends: a failed check, a crash, or Qt Test's watchdog. Nothing a test starts outlives it.
void endWithThisProcess(QProcess& process);
