#pragma once

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

// A success reply, compact JSON on one line.
QByteArray makeResult(const QJsonValue& id, const QJsonObject& result);

// An error reply, compact JSON on one line.
QByteArray makeError(const QJsonValue& id, int code, const QString& message);

// `message` with `text` in place of its one %1; the text itself is not scanned for placeholders.
QString fillIn(const char* message, const QString& text);
