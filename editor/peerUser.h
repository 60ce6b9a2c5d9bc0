#pragma once

class QLocalSocket;

// Whether the process at the other end of a connected socket runs as the same user as we do.
bool peerIsSameUser(QLocalSocket& socket);
