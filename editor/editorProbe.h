#pragma once

// A look at the editor's socket: how the exchange connects, and what the self-check reports.

#include "editor/editorReply.h"

#include <QString>

#include <chrono>

class QLocalSocket;

enum class SocketFinding {
    NothingListens,
    SameUser,
    OtherUser,
    Refused, // the socket is there but does not let this program in
    Busy,    // every connection to it stayed taken
};

// Connects `socket` to the named socket and tells who listens there. The socket stays connected
// only when the listener runs as the same user; nothing is written to it.
SocketFinding lookAtEditorSocket(QLocalSocket& socket, const QString& name,
                                 std::chrono::milliseconds timeout);

// Whether the editor itself wrote the reply (it carries the request's id), rather than the
// exchange making up a failure because the editor could not be reached or did not answer.
bool isEditorAnswer(const EditorReply& reply);
