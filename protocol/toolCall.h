#pragma once

#include "editor/editorExchange.h"
#include "protocol/envelope.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>

// The reply to "tools/call": the tool result, or -32602 for a tool the catalogue lacks.
Reply toolsCallReply(const QJsonValue& id, const QJsonObject& params, const EditorCall& editorCall);

// The MCP tool result made from an editor reply, as a JSON object, for the JSON writer to write:
// what the tests and fuzz checks compare the reply line with. A raw picture's data is left "" here.
QJsonObject toolCallResult(const EditorReply& editorReply);
