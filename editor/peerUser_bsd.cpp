#include "editor/peerUser.h"

#include <QLocalSocket>

#include <sys/types.h>
#include <unistd.h>

// macOS and the BSDs. The socket name is predictable and reachable by every local user, so
// another user's process could hold it. Whenever the owner of the other end cannot be told, the
// peer counts as foreign.
bool peerIsSameUser(QLocalSocket& socket)
{
    const qintptr descriptor = socket.socketDescriptor();
    if (descriptor < 0)
        return false;
    uid_t peerUser = 0;
    gid_t peerGroup = 0;
    if (getpeereid(int(descriptor), &peerUser, &peerGroup) != 0)
        return false;
    return peerUser == geteuid();
}
