#include "editor/localConnect.h"

#include "editor/editorPipeName.h"

#include <QLocalSocket>
#include <QString>

#include <chrono>
#include <windows.h>

// QLocalSocket::connectToServer waits up to 5 s for a pipe instance, and again while the pipe
// stays busy, whatever the caller's limit. So the pipe is opened here, within the deadline, and
// handed to the socket, which then owns the handle.

namespace
{

constexpr std::chrono::milliseconds busyRetryPause{10};

} // namespace

bool connectWithin(QLocalSocket& socket, const QString& name, QDeadlineTimer deadline)
{
    if (name.isEmpty())
        return false;
    const QString path = editorSocketLocation(name);
    const auto* wide = reinterpret_cast<const wchar_t*>(path.utf16());
    for (;;) {
        // Overlapped, as the socket's own reader and writer expect. Whoever serves the pipe
        // may at most learn who this program runs as, never act as that user: the pipe is opened
        // with identification as the highest level it may impersonate this program at.
        const HANDLE pipe = CreateFileW(
            wide, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
            FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) {
            socket.setSocketDescriptor(reinterpret_cast<qintptr>(pipe),
                                       QLocalSocket::ConnectedState, QIODevice::ReadWrite);
            return true;
        }
        // A busy pipe is worth waiting for; anything else means no editor listens.
        if (GetLastError() != ERROR_PIPE_BUSY || deadline.hasExpired())
            return false;
        // Wait until an instance is free or the deadline has passed (0 would mean the pipe's
        // own default wait).
        const DWORD wait = DWORD(qMax<qint64>(1, deadline.remainingTime()));
        if (!WaitNamedPipeW(wide, wait)) {
            if (deadline.hasExpired())
                return false;
            Sleep(busyRetryPause.count()); // the wait failed at once: do not spin
        }
    }
}

bool peerHasClosed(QLocalSocket& socket)
{
    // The descriptor is the handle of the pipe's client end. A pipe whose server end has closed
    // says so to a look that takes nothing, while bytes the server left are still there to read.
    const auto pipe = reinterpret_cast<HANDLE>(socket.socketDescriptor());
    DWORD available = 0;
    if (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr))
        return false;
    const DWORD error = GetLastError();
    return error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED ||
           error == ERROR_NO_DATA;
}
