#pragma once

#include "editor/editorExchange.h"
#include "protocol/envelope.h"

#include <QByteArray>

// Answers one request line: a compact JSON reply, or an empty one when no reply is due.
Reply handleMessage(const QByteArray& line, const EditorCall& editorCall);
