#include "editor/localConnect.h"

#include <QLocalSocket>

bool connectWithin(QLocalSocket& socket, const QString& name, QDeadlineTimer deadline)
{
    socket.connectToServer(name, QIODevice::ReadWrite);
    return socket.waitForConnected(int(deadline.remainingTime()));
}

bool peerHasClosed(QLocalSocket&)
{
    // A read with no wait finds the end of a Unix socket at once: nothing more to ask.
    return false;
}
