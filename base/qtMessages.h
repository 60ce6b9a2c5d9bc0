#pragma once

#include <QString>
#include <QtGlobal>

// A Qt message handler that drops every message: Qt's own diagnostics never reach standard error.
void discardQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message);
