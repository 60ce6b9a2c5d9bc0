#pragma once

#include "editor/editorExchange.h"
#include "protocol/envelope.h"
#include "protocol/toolCall.h"

#include <QByteArray>

// Answers one request line: a compact JSON reply, or an empty one when no reply is due.
// Requests that claim the stateless era are answered by its rules, all others as in the
// handshake era. Tool calls go to `caller`.
Reply handleMessage(const QByteArray& line, const ToolCaller& caller);
