#include "editor/localConnect.h"

#include <QLocalSocket>

ConnectOutcome connectWithin(QLocalSocket& socket, const QString& name, QDeadlineTimer deadline)
{
    socket.connectToServer(name, QIODevice::ReadWrite);
    if (socket.waitForConnected(int(deadline.remainingTime())))
        return ConnectOutcome::Connected;
    // A socket file whose permissions keep this program out (EACCES).
    return socket.error() == QLocalSocket::SocketAccessError ? ConnectOutcome::Refused
                                                             : ConnectOutcome::NothingListens;
}

bool peerHasClosed(QLocalSocket&)
{
    // A read with no wait finds the end of a Unix socket at once: nothing more to ask.
    return false;
}
