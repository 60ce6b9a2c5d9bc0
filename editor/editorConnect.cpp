#include "editor/editorConnect.h"

#include "editor/peerUser.h"

#include <QDeadlineTimer>
#include <QLocalSocket>

ConnectOutcome connectToEditorSocket(QLocalSocket& socket, const QString& name,
                                     std::chrono::milliseconds timeout)
{
    socket.abort();
    ConnectOutcome outcome = connectWithin(socket, name, QDeadlineTimer(timeout));
    if (outcome == ConnectOutcome::Connected && !peerIsSameUser(socket))
        outcome = ConnectOutcome::OtherUser;
    if (outcome != ConnectOutcome::Connected)
        socket.abort();
    return outcome;
}
