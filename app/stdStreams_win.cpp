#include "app/stdStreams.h"

#include <cerrno>
#include <chrono>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace
{

constexpr int stdinFd = 0;
constexpr int stdoutFd = 1;
// How long a pipe handed down in no-wait mode is left before it is tried again: such a pipe
// cannot be waited on.
constexpr std::chrono::milliseconds notReadyPause{5};

HANDLE handleOf(int fd)
{
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

bool isPipe(HANDLE handle)
{
    return GetFileType(handle) == FILE_TYPE_PIPE;
}

void pauseWhileNotReady()
{
    Sleep(DWORD(notReadyPause.count()));
}

// Whether a pipe is still open at its writing end, as far as a look that takes nothing can tell;
// false also for a handle that is no pipe Windows can look into.
bool pipeIsOpen(HANDLE pipe)
{
    DWORD available = 0;
    return PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) != 0;
}

// Reads from a pipe: one in no-wait mode that has nothing yet is waited for; a broken one is the
// end of input.
qsizetype readPipe(HANDLE pipe, char* into, qsizetype size)
{
    for (;;) {
        DWORD got = 0;
        if (ReadFile(pipe, into, DWORD(qMin<qsizetype>(size, 1 << 30)), &got, nullptr)) {
            if (got > 0)
                return qsizetype(got);
            if (!pipeIsOpen(pipe))
                return 0;
            pauseWhileNotReady();
            continue;
        }
        switch (GetLastError()) {
        case ERROR_NO_DATA: // a no-wait pipe with nothing in it
            pauseWhileNotReady();
            break;
        case ERROR_OPERATION_ABORTED: // the read was cancelled, not the input
            break;
        default:
            return 0;
        }
    }
}

// Writes to a pipe: one in no-wait mode that is full takes nothing, or part, and is tried again.
bool writePipe(HANDLE pipe, const char* data, qsizetype size)
{
    while (size > 0) {
        DWORD wrote = 0;
        if (!WriteFile(pipe, data, DWORD(qMin<qsizetype>(size, 1 << 30)), &wrote, nullptr)) {
            if (GetLastError() == ERROR_OPERATION_ABORTED)
                continue;
            return false;
        }
        if (wrote == 0)
            pauseWhileNotReady();
        data += wrote;
        size -= qsizetype(wrote);
    }
    return true;
}

// Writes to a file or console through the runtime, which never leaves a write half done there.
bool writeRuntime(const char* data, qsizetype size)
{
    while (size > 0) {
        const int wrote = _write(stdoutFd, data, unsigned(qMin<qsizetype>(size, 1 << 30)));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        data += wrote;
        size -= wrote;
    }
    return true;
}

bool writeAll(const char* data, qsizetype size)
{
    const HANDLE output = handleOf(stdoutFd);
    return isPipe(output) ? writePipe(output, data, size) : writeRuntime(data, size);
}

} // namespace

void useBinaryStdio()
{
    _setmode(stdinFd, _O_BINARY);
    _setmode(stdoutFd, _O_BINARY);
}

qsizetype readInput(char* into, qsizetype size)
{
    const HANDLE input = handleOf(stdinFd);
    if (isPipe(input))
        return readPipe(input, into, size);
    // A file, which a read never leaves waiting, or a console.
    for (;;) {
        const int got = _read(stdinFd, into, unsigned(qMin<qsizetype>(size, 1 << 30)));
        if (got >= 0)
            return qsizetype(got);
        if (errno != EINTR)
            return 0;
    }
}

bool writeOutput(const LinePieces& pieces, bool endLine)
{
    for (const QByteArrayView piece : pieces) {
        if (!writeAll(piece.data(), piece.size()))
            return false;
    }
    return !endLine || writeAll("\n", 1);
}
