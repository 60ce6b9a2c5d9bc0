#pragma once

#include "editor/editorExchange.h"

#include <QByteArray>

// Answers one request line: a compact JSON reply, or nothing when no reply is due.
QByteArray handleMessage(const QByteArray& line, const EditorCall& editorCall);
