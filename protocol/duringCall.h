#pragma once

// What the server does with messages that arrive while a tool call waits for the editor.

#include "protocol/toolCall.h"

#include <QByteArray>
#include <QJsonValue>
#include <QString>

// A line read while a tool call waits for the editor.
struct LineDuringCall {
    QByteArray reply; // a ping's reply, to be written at once; empty when the line waits its turn
    QJsonValue cancels = QJsonValue::Undefined; // the id a cancellation names, else undefined
};

// A ping of the handshake era is answered at once; a well-formed "notifications/cancelled"
// names the request it cancels; every other line waits until the call is over.
LineDuringCall lineDuringCall(const QByteArray& line);

// Whether a cancellation that names `cancels` is meant for the running call.
bool cancelsCall(const QJsonValue& cancels, const RunningCall& call);

// Whether the running call asked for progress reports.
bool wantsProgress(const RunningCall& call);

// The "notifications/progress" line for a call that has waited `seconds` for the editor.
QByteArray progressNotification(const QJsonValue& progressToken, qint64 seconds,
                                const QString& tool);
