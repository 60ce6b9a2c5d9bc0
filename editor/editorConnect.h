#pragma once

#include "editor/localConnect.h"

#include <QString>

#include <chrono>

class QLocalSocket;

// Connects `socket` to the editor's socket `name` and checks who listens there: the exchange
// does this for every new connection, the self-check reports it. The socket stays connected only
// when the listener runs as the same user (Connected); nothing is written to it.
ConnectOutcome connectToEditorSocket(QLocalSocket& socket, const QString& name,
                                     std::chrono::milliseconds timeout);
