#include "editor/localConnect.h"

#include <QLocalSocket>

bool connectWithin(QLocalSocket& socket, const QString& name, QDeadlineTimer deadline)
{
    socket.connectToServer(name, QIODevice::ReadWrite);
    return socket.waitForConnected(int(deadline.remainingTime()));
}
