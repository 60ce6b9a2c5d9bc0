#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

// The protocol revisions of the handshake the server speaks, newest first.
extern const QStringList supportedProtocolVersions;

// The result of "initialize": the revision both sides speak, capabilities, identity, instructions.
QJsonObject initializeResult(const QJsonObject& params);

// What the server offers: tools, and nothing else.
QJsonObject serverCapabilities();

// The server's name, title and version.
QJsonObject serverIdentity();

// What the assistant is taught about the editor and how to work in it.
QString serverInstructions();
