#pragma once

#include "standin/standinOptions.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QJsonObject>
#include <QString>

// One request line as the stand-in understood it.
struct StandinRequest {
    qint64 id = 0;
    QString tool;
    QJsonObject arguments;
    bool readable = false; // the line was a JSON object
};

StandinRequest readRequest(const QByteArray& line);

// The bytes that answer a request in the given mode, in pieces that together make whole lines.
// The picture tools' answers carry `pictureBase64`, as a piece of its own. Timing and closing are
// not this function's concern.
QByteArrayList replyPieces(const StandinRequest& request, StandinMode mode,
                           const QByteArray& pictureBase64);
