#pragma once

#include "standin/standinOptions.h"

#include <QByteArray>

#include <memory>

class QLocalSocket;

// What every connection of one stand-in run shares.
struct StandinSetup {
    StandinOptions options;
    QByteArray pictureBase64; // built once at start
};

// Answers the request lines arriving on an accepted connection, as the mode says, until the
// connection ends; the socket then deletes itself.
void serveConnection(QLocalSocket* socket, std::shared_ptr<const StandinSetup> setup);
