#pragma once

#include "editor/editorExchange.h"
#include "protocol/envelope.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>

// The client's tool call while the editor works on it: what a wait for the editor's answer
// needs to know of it.
struct RunningCall {
    bool active = false;
    QJsonValue id;
    QJsonValue progressToken; // a string or a whole number; undefined when none was asked for
    QString tool;
};

// Members a tool result carries besides its own, as compact JSON text in the JSON writer's
// order: `before` sorts before "content" and ends with a comma, `after` sorts after "isError" and
// begins with one.
struct AddedMembers {
    QByteArray before;
    QByteArray after;
};

// The reply to "tools/call": the tool result, or -32602 for a tool the catalogue lacks or for
// arguments that are not an object (absent or null ones are none); no reply when the client
// cancelled the call. `running`, when given, describes the call while the editor works on it.
Reply toolsCallReply(const QJsonValue& id, const QJsonObject& params, const EditorCall& editorCall,
                     const AddedMembers& added = {}, RunningCall* running = nullptr);

// The progress token of a request's params: a string or a whole number, else undefined.
QJsonValue progressTokenOf(const QJsonObject& params);

// The MCP tool result made from an editor reply, as a JSON object, for the JSON writer to write:
// what the tests and fuzz checks compare the reply line with. A raw picture's data is left "" here.
QJsonObject toolCallResult(const EditorReply& editorReply);
