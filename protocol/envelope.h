#pragma once

#include "editor/editorReply.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

// JSON-RPC error codes the server answers with.
enum ErrorCode : int {
    ParseError = -32700,
    InvalidRequest = -32600,
    MethodNotFound = -32601,
    InvalidParams = -32602,
};

// A reply line to write. A raw picture's text belongs at `pictureAt` in `text`: it is written
// from where it arrived, not copied into the reply.
struct Reply {
    QByteArray text; // empty when no reply is due
    RawPicture picture = {};
    qsizetype pictureAt = 0;
};

// The reply line in one piece, picture included.
QByteArray replyLine(const Reply& reply);

// A success reply, compact JSON on one line.
QByteArray makeResult(const QJsonValue& id, const QJsonObject& result);

// A success reply whose result is already compact JSON.
QByteArray makeResult(const QJsonValue& id, const QByteArray& resultJson);

// An error reply, compact JSON on one line.
QByteArray makeError(const QJsonValue& id, int code, const QString& message);

// `message` with `text` in place of its one %1; the text itself is not scanned for placeholders.
QString fillIn(const char* message, const QString& text);
