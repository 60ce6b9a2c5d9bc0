#pragma once

#include <QJsonObject>
#include <QString>

// The manifest.json of kestrova-mcp's MCP bundle (.mcpb): how a client installs and starts the
// server from the bundle's server/ folder, with every tool of the catalogue by name and
// description.
QJsonObject bundleManifest(const QString& version);
