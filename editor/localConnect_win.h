#pragma once

#include "editor/localConnect.h"

#include <optional>

// Test seam (Windows): what an error of opening the editor's pipe means for the connect; nothing
// when the pipe is busy, which is worth waiting for. `connectWithin` asks it.
std::optional<ConnectOutcome> failedOpenOutcome(unsigned long error);
