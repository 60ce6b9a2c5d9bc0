#include "editor/peerUser.h"

#include <QLocalSocket>

// The socket name is predictable and reachable by every local user, so another user's process
// could hold it. Whenever the owner of the other end cannot be told, the peer counts as foreign.

#if defined(_WIN32)

#include <memory>
#include <windows.h>

namespace
{

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using OwnedHandle = std::unique_ptr<void, HandleCloser>;

// A TOKEN_USER record with room for the largest SID it can point to.
struct ProcessUser {
    alignas(TOKEN_USER) unsigned char bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    PSID sid() const { return reinterpret_cast<const TOKEN_USER*>(bytes)->User.Sid; }
};

bool readProcessUser(HANDLE process, ProcessUser& user)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token))
        return false;
    const OwnedHandle ownedToken(token);
    DWORD size = 0;
    return GetTokenInformation(token, TokenUser, user.bytes, DWORD(sizeof user.bytes), &size) != 0;
}

} // namespace

bool peerIsSameUser(QLocalSocket& socket)
{
    // On Windows the descriptor is the handle of the pipe's client end.
    const qintptr descriptor = socket.socketDescriptor();
    if (descriptor == -1 || descriptor == 0)
        return false;
    ULONG serverProcessId = 0;
    if (!GetNamedPipeServerProcessId(reinterpret_cast<HANDLE>(descriptor), &serverProcessId))
        return false;
    const OwnedHandle server(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, serverProcessId));
    if (!server)
        return false;
    ProcessUser peer;
    ProcessUser own;
    return readProcessUser(server.get(), peer) && readProcessUser(GetCurrentProcess(), own) &&
           EqualSid(peer.sid(), own.sid()) != 0;
}

#elif defined(__linux__)

#include <sys/socket.h>
#include <unistd.h>

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

#elif defined(__APPLE__) || defined(__FreeBSD__) || defined(__OpenBSD__) || defined(__NetBSD__) || \
    defined(__DragonFly__)

#include <sys/types.h>
#include <unistd.h>

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

#else
#error "Telling who owns the editor's socket is not written for this platform."
#endif
