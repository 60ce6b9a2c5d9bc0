#pragma once

#include "editor/editorExchange.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>

// The reply to "tools/call": the tool result, or -32602 for a tool the catalogue lacks.
QByteArray toolsCallReply(const QJsonValue& id, const QJsonObject& params,
                          const EditorCall& editorCall);

// The MCP tool result made from an editor reply.
QJsonObject toolCallResult(const QJsonObject& editorReply);
