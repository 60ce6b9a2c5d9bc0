#pragma once

class QLocalSocket;

// Test seam (Windows): whether the process that serves a connected pipe runs as the user with
// this SID. `peerIsSameUser` asks it with our own SID.
bool pipeServerRunsAs(QLocalSocket& socket, void* sid);
