#pragma once

#include "editor/editorReply.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <chrono>
#include <functional>

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

// The sentences of the failure replies the exchange makes, which the self-check tells apart.
extern const QString editorNotRunningSentence;
extern const QString editorSilentSentence;
extern const QString editorStrayAnswerSentence;
extern const QString editorForeignUserSentence;

// The EditorCall bound to a socket that outlives it: each call sends one editor request and
// returns the editor's reply, or a reply that carries a failure sentence and the error flag.
EditorCall makeEditorCall(QLocalSocket& socket, EditorTimeouts timeouts = {});
