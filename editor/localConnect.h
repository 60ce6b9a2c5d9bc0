#pragma once

#include <QDeadlineTimer>

class QLocalSocket;
class QString;

// Connects the socket to the local socket `name` for reading and writing, giving up at the
// deadline; true when it is connected.
bool connectWithin(QLocalSocket& socket, const QString& name, QDeadlineTimer deadline);
