#pragma once

#include <QDeadlineTimer>

class QLocalSocket;
class QString;

// Connects the socket to the local socket `name` for reading and writing, giving up at the
// deadline; true when it is connected.
bool connectWithin(QLocalSocket& socket, const QString& name, QDeadlineTimer deadline);

// Whether the other end of a connected socket is known to have closed, as far as the platform
// can tell without reading from it.
bool peerHasClosed(QLocalSocket& socket);
