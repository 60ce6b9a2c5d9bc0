#pragma once

#include "editor/editorExchange.h"
#include "protocol/envelope.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>

#include <functional>
#include <vector>

// Which client request a tool call is: what a wait for the editor's answer needs to know of it.
struct ClientCall {
    QJsonValue id;
    QJsonValue progressToken; // a string or a whole number; undefined when none was asked for
    QString tool;
};

// Carries a client's tool call to the editor. The call is handed to it whole, so that what
// waits for the editor knows which request a cancellation or a progress report is about.
using ToolCaller = std::function<EditorReply(const ClientCall& call, const QJsonObject& arguments)>;

// A ToolCaller that hands every call straight to `editorCall`.
ToolCaller callerFor(EditorCall editorCall);

// A member a result carries besides its own: its name and its value as compact JSON.
struct ResultMember {
    QByteArray name;
    QByteArray json;
};
using ResultMembers = std::vector<ResultMember>;

// The reply to "tools/call": the tool result with `envelope`'s members besides its own, or
// -32602 for a tool the catalogue lacks or for arguments that are not an object (absent or null
// ones are none); no reply when the client cancelled the call.
Reply toolsCallReply(const QJsonValue& id, const QJsonObject& params, const ToolCaller& caller,
                     const ResultMembers& envelope = {});

// The progress token of a request's params: a string or a whole number, else undefined.
QJsonValue progressTokenOf(const QJsonObject& params);
