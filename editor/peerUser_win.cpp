#include "editor/peerUser_win.h"
#include "editor/peerUser.h"

#include <QLocalSocket>

#include <memory>
#include <windows.h>

// The pipe name is predictable and reachable by every local user, so another user's process
// could hold it. Whenever the owner of the other end cannot be told, the peer counts as foreign.

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

bool pipeServerRunsAs(QLocalSocket& socket, void* sid)
{
    // The descriptor is the handle of the pipe's client end.
    const qintptr descriptor = socket.socketDescriptor();
    if (descriptor == -1 || descriptor == 0 || sid == nullptr)
        return false;
    ULONG serverProcessId = 0;
    if (!GetNamedPipeServerProcessId(reinterpret_cast<HANDLE>(descriptor), &serverProcessId))
        return false;
    const OwnedHandle server(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, serverProcessId));
    if (!server)
        return false;
    ProcessUser peer;
    return readProcessUser(server.get(), peer) && EqualSid(peer.sid(), sid) != 0;
}

bool peerIsSameUser(QLocalSocket& socket)
{
    ProcessUser own;
    return readProcessUser(GetCurrentProcess(), own) && pipeServerRunsAs(socket, own.sid());
}
