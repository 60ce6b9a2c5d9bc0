#include "editor/editorProbe.h"

#include "editor/peerUser.h"

#include <QDeadlineTimer>
#include <QLocalSocket>

SocketFinding lookAtEditorSocket(QLocalSocket& socket, const QString& name,
                                 std::chrono::milliseconds timeout)
{
    socket.abort();
    socket.connectToServer(name, QIODevice::ReadWrite);
    const QDeadlineTimer deadline(timeout);
    while (socket.state() != QLocalSocket::ConnectedState) {
        if (deadline.hasExpired() || !socket.waitForConnected(int(deadline.remainingTime())) ||
            socket.state() == QLocalSocket::UnconnectedState)
            break;
    }
    if (socket.state() != QLocalSocket::ConnectedState) {
        socket.abort();
        return SocketFinding::NothingListens;
    }
    if (!peerIsSameUser(socket)) {
        socket.abort();
        return SocketFinding::OtherUser;
    }
    return SocketFinding::SameUser;
}

bool isEditorAnswer(const EditorReply& reply)
{
    return reply.fields.contains(QLatin1String("id"));
}
