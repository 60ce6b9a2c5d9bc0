#include "editor/localConnect.h"

#include <QLocalSocket>

bool connectWithin(QLocalSocket& socket, const QString& name, QDeadlineTimer deadline)
{
    socket.connectToServer(name, QIODevice::ReadWrite);
    // Wait until the socket is connected, has failed, or the deadline has passed.
    while (socket.state() == QLocalSocket::ConnectingState && !deadline.hasExpired())
        socket.waitForConnected(int(deadline.remainingTime()));
    return socket.state() == QLocalSocket::ConnectedState;
}
