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

// The sentences of the failure replies the exchange makes, which the self-check tells apart.
extern const QString editorNotRunningSentence;
extern const QString editorSilentSentence;
extern const QString editorStrayAnswerSentence;
extern const QString editorForeignUserSentence;
extern const QString editorRefusedSentence;
extern const QString editorBusySentence;

// The EditorCall bound to a socket that outlives it: each call sends one editor request and
// returns the editor's reply, or a reply that carries a failure sentence and the error flag, or
// a dropped one when `wait` reported the call cancelled. Writing the request and waiting for the
// reply share one wait: each wait that moves data either way starts it afresh, one that moves
// none ends the call.
EditorCall makeEditorCall(QLocalSocket& socket, EditorTimeouts timeouts = {},
                          EditorWait wait = waitOnSocketAlone);
