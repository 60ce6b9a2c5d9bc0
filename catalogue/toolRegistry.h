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

// What a tool does, as the hints clients act on announce it; combined with `|`. Every tool
// works inside the editor's closed domain: none reaches an open world.
enum ToolTrait : unsigned {
    Additive = 0,          // only puts something new in; each call puts it in again
    ReadOnly = 1u << 0,    // changes nothing
    Destructive = 1u << 1, // may take away or replace something already there
    Idempotent = 1u << 2,  // a repeat with the same arguments changes nothing more
    LongText = 1u << 3,    // its text grows with the project: clients are to keep it whole
};

// A row of a tool table: what the registry makes a catalogue entry from.
struct ToolRow {
    QString name;
    QString title; // a short name for people, distinct across the catalogue
    unsigned traits;
    QString description;
    std::vector<ToolParam> params;
};

// A tool of the catalogue, with its input schema built once.
struct ToolEntry {
    QString name;
    QString title;
    unsigned traits;
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
