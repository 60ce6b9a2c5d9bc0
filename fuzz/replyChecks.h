#pragma once

// What must hold of every reply the server writes, whatever the client and the editor send.
// Shared by the fuzz targets and by the test that replays the inputs they once failed on.
// Each check returns what is wrong, or an empty string when all is well.

#include "editor/editorReply.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// The MCP tool result made from an editor reply as a JSON object, for Qt's JSON writer to write:
// the model the server's own reply lines are compared with, byte for byte.
QJsonObject toolResultObject(const EditorReply& editorReply);

// A reply line: one line of compact JSON holding exactly a JSON-RPC 2.0 success or error reply.
QString replyLineProblem(const QByteArray& line);

// A tool result: a text item, perhaps a JPEG image item with data, and the error flag.
QString toolResultProblem(const QJsonObject& result);

// A request line, then after the first line feed the editor's reply line to any tool call.
QString messageInputProblem(const QByteArray& input);

// The editor's reply line to a fixed "tools/call": its handling and the reply the client gets,
// compared with the same reply made by parsing the whole line.
QString editorReplyInputProblem(const QByteArray& input);
