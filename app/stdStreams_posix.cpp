#include "app/stdStreams.h"

#include <cerrno>

#include <poll.h>
#include <sys/uio.h>
#include <unistd.h>

namespace
{

constexpr int stdinFd = 0;
constexpr int stdoutFd = 1;

// Waits until `fd` is ready for `events`, or has been closed or broken (the next call then says
// so).
void waitUntilReady(int fd, short events)
{
    pollfd watched{fd, events, 0};
    while (::poll(&watched, 1, -1) < 0 && errno == EINTR) {
    }
}

// Whether a failed call is to be waited out and made again.
bool mustWaitFor(int error)
{
    return error == EAGAIN || error == EWOULDBLOCK;
}

} // namespace

void useBinaryStdio()
{
    // No line ends are translated here.
}

qsizetype readInput(char* into, qsizetype size)
{
    for (;;) {
        const ssize_t got = ::read(stdinFd, into, size_t(size));
        if (got >= 0)
            return qsizetype(got);
        if (mustWaitFor(errno))
            waitUntilReady(stdinFd, POLLIN);
        else if (errno != EINTR)
            return 0;
    }
}

bool writeOutput(const LinePieces& pieces, bool endLine)
{
    char lineFeed = '\n';
    QVarLengthArray<iovec, 8> vectors;
    for (const QByteArrayView piece : pieces) {
        if (!piece.isEmpty())
            vectors.append({const_cast<char*>(piece.data()), size_t(piece.size())});
    }
    if (endLine)
        vectors.append({&lineFeed, 1});
    size_t count = size_t(vectors.size());
    iovec* next = vectors.data();
    while (count > 0) {
        const ssize_t wrote = ::writev(stdoutFd, next, int(count));
        if (wrote < 0 && mustWaitFor(errno)) {
            waitUntilReady(stdoutFd, POLLOUT);
            continue;
        }
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        size_t left = size_t(wrote);
        while (count > 0 && left >= next->iov_len) {
            left -= next->iov_len;
            ++next;
            --count;
        }
        if (count > 0) {
            next->iov_base = static_cast<char*>(next->iov_base) + left;
            next->iov_len -= left;
        }
    }
    return true;
}
