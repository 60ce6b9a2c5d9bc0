#pragma once

// The one wait of a tool call: on the editor socket and on standard input together.

#include <QDeadlineTimer>

class QLocalSocket;

enum class Woken {
    Editor, // the socket may have moved data or changed state
    Input,  // standard input can be read without blocking
    TimeUp,
};

// Waits until the editor socket has data, room for what it still has to write, or has closed
// (the socket is then let do its reading and writing), or until standard input can be read
// when `watchInput` is set, or until `until`.
Woken waitForEditorOrInput(QLocalSocket& socket, bool watchInput, const QDeadlineTimer& until);
