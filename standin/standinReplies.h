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

// The lines, each with its line feed, that answer a request in the given mode. The picture
// tools' answers carry `pictureBase64`. Timing and closing are not this function's concern.
QByteArrayList replyLines(const StandinRequest& request, StandinMode mode,
                          const QByteArray& pictureBase64);
