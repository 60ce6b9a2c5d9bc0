#include "processLifetime.h"

// No way on this system to have the kernel end a child with its parent: the tests stop what they
// start on every ordinary way out, and a watchdog's kill may leave one behind.
void endWithThisProcess(QProcess&) {}
