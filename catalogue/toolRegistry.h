#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <vector>

// Whether a tool call must give an argument.
enum class Presence { Optional, Required };

// One argument of a tool, as its input schema announces it.
struct ToolParam {
    QString name;
    QString type; // a JSON Schema type name
    QString description;
    Presence presence = Presence::Optional;
    QJsonObject items = {}; // the element schema of an "array" parameter
};

// A row of a tool table: what the registry makes a catalogue entry from.
struct ToolRow {
    QString name;
    QString description;
    std::vector<ToolParam> params;
};

// A tool of the catalogue, with its input schema built once.
struct ToolEntry {
    QString name;
    QString description;
    QJsonObject inputSchema;
};

// The element schema {"type": type}.
QJsonObject itemsOfType(const char* type);

// The 54 tools in catalogue order, built on first use.
const std::vector<ToolEntry>& toolCatalogue();

// The tool of exactly this name, or nullptr.
const ToolEntry* findTool(const QString& name);

// The result of "tools/list", every tool in one piece, as compact JSON serialised once.
const QByteArray& toolsListJson();
