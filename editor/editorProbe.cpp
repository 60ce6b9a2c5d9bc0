#include "editor/editorProbe.h"

#include "editor/localConnect.h"
#include "editor/peerUser.h"

#include <QDeadlineTimer>
#include <QLocalSocket>

SocketFinding lookAtEditorSocket(QLocalSocket& socket, const QString& name,
                                 std::chrono::milliseconds timeout)
{
    socket.abort();
    switch (connectWithin(socket, name, QDeadlineTimer(timeout))) {
    case ConnectOutcome::Connected:
        break;
    case ConnectOutcome::NothingListens:
        socket.abort();
        return SocketFinding::NothingListens;
    case ConnectOutcome::Refused:
        socket.abort();
        return SocketFinding::Refused;
    case ConnectOutcome::Busy:
        socket.abort();
        return SocketFinding::Busy;
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
