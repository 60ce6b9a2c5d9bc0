#include "editor/editorProbe.h"

#include "editor/localConnect.h"
#include "editor/peerUser.h"

#include <QDeadlineTimer>
#include <QLocalSocket>

SocketFinding lookAtEditorSocket(QLocalSocket& socket, const QString& name,
                                 std::chrono::milliseconds timeout)
{
    socket.abort();
    if (!connectWithin(socket, name, QDeadlineTimer(timeout))) {
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
