#include "app/stdinWait.h"

#include <QLocalSocket>

#include <cerrno>
#include <climits>

#include <poll.h>

namespace
{

constexpr int stdinFd = 0;

int pollTimeout(const QDeadlineTimer& until)
{
    const qint64 remaining = until.remainingTime();
    return remaining < 0 ? -1 : int(qMin<qint64>(remaining, INT_MAX));
}

} // namespace

Woken waitForEditorOrInput(QLocalSocket& socket, bool watchInput, const QDeadlineTimer& until)
{
    // A socket that has just closed has no descriptor left: the exchange sees the closing.
    if (socket.socketDescriptor() < 0)
        return Woken::Editor;
    for (;;) {
        const short editorEvents = POLLIN | (socket.bytesToWrite() > 0 ? POLLOUT : 0);
        pollfd watched[2] = {{int(socket.socketDescriptor()), editorEvents, 0},
                             {stdinFd, POLLIN, 0}};
        const int ready = ::poll(watched, watchInput ? 2 : 1, pollTimeout(until));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0) {
            // Not to be expected; the socket's own wait still bounds the call.
            return socket.waitForReadyRead(pollTimeout(until)) ? Woken::Editor : Woken::TimeUp;
        }
        if (ready == 0)
            return Woken::TimeUp;
        if (watched[0].revents != 0) {
            // Qt reads what has come, writes what it can, and notices a closed connection.
            socket.waitForReadyRead(0);
            return Woken::Editor;
        }
        return Woken::Input;
    }
}
