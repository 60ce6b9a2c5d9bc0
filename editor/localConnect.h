#pragma once

#include <QDeadlineTimer>

class QLocalSocket;
class QString;

// How an attempt to connect to the editor's socket ended.
enum class ConnectOutcome {
    Connected,
    NothingListens,
    OtherUser, // the socket is held by another user's program (found once connected)
    Refused,   // the socket is there, but this program may not open it
    Busy,      // every instance of the pipe stayed taken until the deadline
};

// Connects the socket to the local socket `name` for reading and writing, giving up at the
// deadline.
ConnectOutcome connectWithin(QLocalSocket& socket, const QString& name, QDeadlineTimer deadline);

// Whether the other end of a connected socket is known to have closed, as far as the platform
// can tell without reading from it.
bool peerHasClosed(QLocalSocket& socket);
