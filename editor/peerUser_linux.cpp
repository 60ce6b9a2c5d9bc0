#include "editor/peerUser.h"

#include <QLocalSocket>

#include <sys/socket.h>
#include <unistd.h>

// The socket name is predictable and reachable by every local user, so another user's process
// could hold it. Whenever the owner of the other end cannot be told, the peer counts as foreign.
bool peerIsSameUser(QLocalSocket& socket)
{
    const qintptr descriptor = socket.socketDescriptor();
    if (descriptor < 0)
        return false;
    // The kernel records the listener's credentials when it starts listening.
    ucred peer{};
    socklen_t size = sizeof peer;
    if (getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 ||
        size != sizeof peer)
        return false;
    return peer.uid == geteuid();
}
