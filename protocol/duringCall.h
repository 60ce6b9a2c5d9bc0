#pragma once

// What the server does with messages that arrive while a tool call waits for the editor.

#include "protocol/toolCall.h"

#include <QByteArray>
#include <QJsonValue>
#include <QString>

#include <optional>

// A line read while a tool call waits for the editor.
struct LineDuringCall {
    QByteArray reply; // a ping's reply, to be written at once; empty when the line waits its turn
    QJsonValue cancels = QJsonValue::Undefined; // the id a cancellation names, else undefined
    std::optional<ClientCall> queued = {}; // a tool call that asked for progress: it waits its turn
};

// A ping of the handshake era is answered at once; a well-formed "notifications/cancelled"
// names the request it cancels; every other line waits until the call is over, a tool call
// that asked for progress with what its reports need.
LineDuringCall lineDuringCall(const QByteArray& line);

// Whether a cancellation that names `cancels` is meant for `call`.
bool cancelsCall(const QJsonValue& cancels, const ClientCall& call);

// Whether `call` asked for progress reports.
bool wantsProgress(const ClientCall& call);

// The "notifications/progress" line for a call that has waited `seconds` for the editor, after
// `earlier` was reported while it waited its turn: its progress only grows.
QByteArray progressNotification(const QJsonValue& progressToken, qint64 seconds,
                                const QString& tool, qint64 earlier = 0);

// The "notifications/progress" line for a call that has waited `seconds` for earlier calls.
QByteArray queuedProgressNotification(const QJsonValue& progressToken, qint64 seconds,
                                      const QString& tool);
