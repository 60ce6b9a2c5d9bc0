#pragma once

#include "editor/editorReply.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QVarLengthArray>

// JSON-RPC error codes the server answers with.
enum class ErrorCode : int {
    ParseError = -32700,
    InvalidRequest = -32600,
    MethodNotFound = -32601,
    InvalidParams = -32602,
};

// A reply to write. A raw picture's Base64 text belongs at `pictureAt` in `line`: it is written
// from where it arrived, not copied into the reply.
struct Reply {
    QByteArray line; // without the picture's text; empty when no reply is due
    RawPicture picture = {};
    qsizetype pictureAt = 0;
};

// The pieces that, written one after the other, make a reply line (without its line feed).
using ReplyPieces = QVarLengthArray<QByteArrayView, 4>;

// The reply line's pieces: none when no reply is due, the line itself, or the line around a
// raw picture's text. They point into `reply`, which must outlive them.
ReplyPieces replyPieces(const Reply& reply);

// The reply line in one piece, picture included. For the tests and fuzz checks.
QByteArray replyLine(const Reply& reply);

// A success reply, compact JSON on one line.
QByteArray makeResult(const QJsonValue& id, const QJsonObject& result);

// A success reply whose result is already compact JSON.
QByteArray makeResult(const QJsonValue& id, const QByteArray& resultJson);

// A success reply whose result is already compact JSON, with `picture`'s text to be written at
// `pictureAt` within `resultJson`.
Reply makeResult(const QJsonValue& id, const QByteArray& resultJson, const RawPicture& picture,
                 qsizetype pictureAt);

// An error reply, compact JSON on one line.
QByteArray makeError(const QJsonValue& id, ErrorCode code, const QString& message);
