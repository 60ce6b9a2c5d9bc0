#include "editor/editorExchange.h"

#include "base/jsonText.h"
#include "editor/editorConnect.h"
#include "editor/editorPipeName.h"
#include "editor/localConnect.h"

#include <QDeadlineTimer>
#include <QLocalSocket>

#include <algorithm>
#include <limits>
#include <memory>

namespace
{

// The socket, and the reply bytes that arrived past the last line read from it.
struct EditorLink {
    QLocalSocket& socket;
    QByteArray unread;
    EditorTimeouts timeouts;
};

// Ids of the requests written so far; the first request of the process has id 1.
qint32 requestCounter = 0;

// Reads with no wait that a reused connection gets to show that its editor has gone.
constexpr int readsToFindClosedPeer = 4;

qint32 nextRequestId()
{
    // Wraps to 1 rather than overflowing after two thousand million calls.
    requestCounter = requestCounter == std::numeric_limits<qint32>::max() ? 1 : requestCounter + 1;
    return requestCounter;
}

void dropConnection(EditorLink& link)
{
    link.socket.abort();
    link.unread.clear();
}

// With no event loop running, a socket whose peer has gone still says it is connected until a
// read finds the end. A read may first hand over what the editor wrote before it went (a Windows
// pipe does that), so reads go on while they bring data; bytes that keep coming are left for the
// exchange after a few reads. Where a read with no wait may miss the end (a Windows pipe's reader
// learns of it on another thread), the platform is asked as well.
bool stillConnected(QLocalSocket& socket)
{
    for (int read = 0; read < readsToFindClosedPeer; ++read) {
        if (socket.state() != QLocalSocket::ConnectedState || !socket.waitForReadyRead(0))
            break;
    }
    return socket.state() == QLocalSocket::ConnectedState && !peerHasClosed(socket);
}

// A connection to the editor, the one already open if it still is and is in step: a kept
// connection that already holds bytes, or has them to read at once, carries a line nobody asked
// for, which would answer the next request in its place. It is dropped for a fresh one.
ConnectOutcome connectionInStep(EditorLink& link)
{
    if (stillConnected(link.socket) && link.unread.isEmpty() && link.socket.bytesAvailable() == 0)
        return ConnectOutcome::Connected;
    dropConnection(link);
    return connectToEditorSocket(link.socket, editorPipeName(), link.timeouts.connect);
}

// What a failed connect means for the call.
EditorOutcome unconnectedOutcome(ConnectOutcome connect)
{
    switch (connect) {
    case ConnectOutcome::Connected:
        break;
    case ConnectOutcome::NothingListens:
        return EditorOutcome::NothingListens;
    case ConnectOutcome::OtherUser:
        return EditorOutcome::OtherUser;
    case ConnectOutcome::Refused:
        return EditorOutcome::Refused;
    case ConnectOutcome::Busy:
        return EditorOutcome::Busy;
    }
    return EditorOutcome::Answered;
}

// The tool name as a JSON string. Catalogue names need no escapes and are quoted directly.
QByteArray toolNameJson(const QString& tool)
{
    const bool plain = std::all_of(tool.begin(), tool.end(), [](QChar c) {
        return c.unicode() > 0x20 && c.unicode() < 0x7f && c != u'"' && c != u'\\';
    });
    if (plain)
        return '"' + tool.toLatin1() + '"';
    return jsonText(tool);
}

// The editor request line, its members in the order the JSON writer would put them.
QByteArray editorRequest(qint32 id, const QString& tool, const QJsonObject& arguments)
{
    const QByteArray argumentsJson =
        arguments.isEmpty() ? QByteArrayLiteral("{}") : compact(arguments);
    return R"({"arguments":)" + argumentsJson + R"(,"id":)" + QByteArray::number(id) +
           R"(,"tool":)" + toolNameJson(tool) + "}\n";
}

// Moves what the socket has received into `unread`, notes its plain stretches while they are
// fresh, and looks for a line feed in the new part.
qsizetype takeReceived(EditorLink& link, qsizetype scanFrom, PlainStretches& stretches)
{
    const qint64 available = link.socket.bytesAvailable();
    if (available > 0) {
        const qsizetype size = link.unread.size();
        link.unread.resize(size + available);
        const qint64 got = link.socket.read(link.unread.data() + size, available);
        link.unread.resize(size + qMax<qint64>(got, 0));
    }
    const qsizetype end = link.unread.indexOf('\n', scanFrom);
    notePlainStretches(stretches,
                       QByteArrayView(link.unread).first(end < 0 ? link.unread.size() : end));
    return end;
}

enum class Received { Line, Nothing, CallDropped };

// Waits for one whole reply line while the request may still be on its way out. A wait that
// moves no data either way ends it: an editor that stops reading the request costs one wait,
// not one for the request and another for the reply.
Received receiveLine(EditorLink& link, const EditorWait& wait, QByteArray& line,
                     PlainStretches& stretches)
{
    QDeadlineTimer deadline(link.timeouts.replyData);
    qsizetype scanFrom = 0;
    qsizetype end = takeReceived(link, scanFrom, stretches);
    bool streaming = false;
    while (end < 0) {
        if (link.socket.state() != QLocalSocket::ConnectedState)
            return Received::Nothing;
        scanFrom = link.unread.size();
        const qint64 unwritten = link.socket.bytesToWrite();
        // While a long reply streams in, more of it is usually there already: it is taken
        // without the wait on everything else. That look may also find the connection closed.
        EditorWaitEnd woken = EditorWaitEnd::Socket;
        if (!(streaming && link.socket.waitForReadyRead(0)) &&
            link.socket.state() == QLocalSocket::ConnectedState)
            woken = wait(link.socket, deadline);
        if (woken == EditorWaitEnd::CallDropped)
            return Received::CallDropped;
        end = takeReceived(link, scanFrom, stretches);
        streaming = link.unread.size() > scanFrom;
        if (streaming || link.socket.bytesToWrite() < unwritten)
            deadline = QDeadlineTimer(link.timeouts.replyData);
        else if (woken == EditorWaitEnd::TimeUp)
            return Received::Nothing;
    }
    if (end + 1 == link.unread.size()) {
        line = std::move(link.unread);
        line.chop(1);
        link.unread = QByteArray();
    } else {
        line = link.unread.left(end);
        link.unread.remove(0, end + 1);
    }
    return Received::Line;
}

// Sends one editor request and returns the editor's reply, or the reply of what kept it.
EditorReply callEditor(EditorLink& link, const QString& tool, const QJsonObject& arguments,
                       const EditorWait& wait)
{
    const ConnectOutcome connect = connectionInStep(link);
    if (connect != ConnectOutcome::Connected)
        return failedReply(unconnectedOutcome(connect));

    const qint32 id = nextRequestId();
    link.socket.write(editorRequest(id, tool, arguments));
    // Most requests fit the socket's buffer whole: written now, with no wait for the socket.
    link.socket.flush();

    QByteArray line;
    PlainStretches stretches;
    switch (receiveLine(link, wait, line, stretches)) {
    case Received::Line:
        break;
    case Received::Nothing:
        dropConnection(link);
        return failedReply(EditorOutcome::NoAnswer);
    case Received::CallDropped:
        // The editor's late answer must not meet a later call: the connection goes with it.
        dropConnection(link);
        return failedReply(EditorOutcome::Cancelled);
    }
    EditorReply reply = editorReplyFromLine(line, &stretches);
    if (reply.fields.value(QLatin1String("id")).toInteger(0) != id) {
        // Whatever else is buffered answers older questions: start afresh next time.
        dropConnection(link);
        return failedReply(EditorOutcome::OutOfTurn);
    }
    return reply;
}

} // namespace

EditorWaitEnd waitOnSocketAlone(QLocalSocket& socket, const QDeadlineTimer& deadline)
{
    // While some of the request is still on its way out, its leaving is waited for: a Windows
    // pipe learns only in a wait that its write has completed, and a wait for reading would not
    // end for that. What arrives meanwhile is taken in by the same wait.
    if (socket.bytesToWrite() > 0) {
        if (socket.waitForBytesWritten(int(deadline.remainingTime())) ||
            socket.bytesAvailable() > 0)
            return EditorWaitEnd::Socket;
    } else if (socket.waitForReadyRead(int(deadline.remainingTime()))) {
        // Qt's wait also writes what the socket still holds of the request.
        return EditorWaitEnd::Socket;
    }
    return deadline.hasExpired() ? EditorWaitEnd::TimeUp : EditorWaitEnd::Socket;
}

EditorExchange makeEditorExchange(QLocalSocket& socket, EditorTimeouts timeouts)
{
    auto link = std::make_shared<EditorLink>(EditorLink{socket, QByteArray(), timeouts});
    return [link](const QString& tool, const QJsonObject& arguments, const EditorWait& wait) {
        return callEditor(*link, tool, arguments, wait);
    };
}

EditorCall makeEditorCall(QLocalSocket& socket, EditorTimeouts timeouts, EditorWait wait)
{
    return [exchange = makeEditorExchange(socket, timeouts),
            wait = std::move(wait)](const QString& tool, const QJsonObject& arguments) {
        return exchange(tool, arguments, wait);
    };
}
