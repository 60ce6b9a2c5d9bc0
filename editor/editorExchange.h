#pragma once

#include "editor/editorReply.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <chrono>
#include <functional>

class QDeadlineTimer;
class QLocalSocket;

// Carries one tool call to the editor and returns the editor's reply.
using EditorCall = std::function<EditorReply(const QString& tool, const QJsonObject& arguments)>;

constexpr std::chrono::milliseconds editorConnectTimeout{1500};
constexpr std::chrono::milliseconds editorReplyDataTimeout{60000};

// How long the exchange waits. The program always uses the defaults; tests shorten them.
struct EditorTimeouts {
    std::chrono::milliseconds connect = editorConnectTimeout;
    std::chrono::milliseconds replyData = editorReplyDataTimeout;
};

// How a wait for the editor ended.
enum class EditorWaitEnd {
    Socket,      // the socket may have moved data or changed state: look at it
    TimeUp,      // the deadline passed
    CallDropped, // the client cancelled the call
};

// Waits until the editor socket has data or room for the request, or has closed, or until
// `deadline`. The program's own wait also serves standard input meanwhile.
using EditorWait =
    std::function<EditorWaitEnd(QLocalSocket& socket, const QDeadlineTimer& deadline)>;

// Waits on the socket alone.
EditorWaitEnd waitOnSocketAlone(QLocalSocket& socket, const QDeadlineTimer& deadline);

// Carries one tool call to the editor, waiting with `wait` while the editor works on it.
using EditorExchange = std::function<EditorReply(const QString& tool, const QJsonObject& arguments,
                                                 const EditorWait& wait)>;

// The exchange bound to a socket that outlives it: each call sends one editor request and
// returns the editor's reply with its outcome; when the editor's answer is not had, the outcome
// says why and the reply carries its failure sentence and the error flag (a cancelled call, as
// `wait` reports it, carries nothing). Writing the request and waiting for the reply share one
// wait: each wait that moves data either way starts it afresh, one that moves none ends the call.
EditorExchange makeEditorExchange(QLocalSocket& socket, EditorTimeouts timeouts = {});

// The exchange with the same wait for every call.
EditorCall makeEditorCall(QLocalSocket& socket, EditorTimeouts timeouts = {},
                          EditorWait wait = waitOnSocketAlone);
