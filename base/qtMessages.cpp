#include "base/qtMessages.h"

void discardQtMessage(QtMsgType, const QMessageLogContext&, const QString&) {}
