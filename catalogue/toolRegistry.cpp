#include "catalogue/toolRegistry.h"

#include "base/jsonText.h"
#include "catalogue/toolTables.h"

#include <QJsonArray>

namespace
{

// The length of text result a client is asked to keep whole, not to cut to a preview: the
// largest it honours.
constexpr int longTextChars = 500000;

QJsonObject buildInputSchema(const std::vector<ToolParam>& params)
{
    QJsonObject properties;
    QJsonArray required;
    for (const ToolParam& param : params) {
        QJsonObject property{{QStringLiteral("type"), param.type},
                             {QStringLiteral("description"), param.description}};
        if (param.type == QLatin1String("array"))
            property.insert(QStringLiteral("items"), param.items);
        properties.insert(param.name, property);
        if (param.presence == Presence::Required)
            required.append(param.name);
    }
    QJsonObject schema{{QStringLiteral("type"), QStringLiteral("object")},
                       {QStringLiteral("properties"), properties}};
    if (!required.isEmpty())
        schema.insert(QStringLiteral("required"), required);
    return schema;
}

std::vector<ToolEntry> buildCatalogue()
{
    std::vector<ToolEntry> catalogue;
    for (const auto& table :
         {readingTools(), editingTools(), pictureAndOutputTools(), speechAndBeatTools()}) {
        for (const ToolRow& row : table)
            catalogue.push_back(
                {row.name, row.title, row.traits, row.description, buildInputSchema(row.params)});
    }
    return catalogue;
}

// The title and every hint, each written out, false included: an absent hint reads as its
// default, which for destructiveHint and openWorldHint is true.
QJsonObject annotations(const ToolEntry& entry)
{
    return QJsonObject{{QStringLiteral("title"), entry.title},
                       {QStringLiteral("readOnlyHint"), (entry.traits & ReadOnly) != 0},
                       {QStringLiteral("destructiveHint"), (entry.traits & Destructive) != 0},
                       {QStringLiteral("idempotentHint"), (entry.traits & Idempotent) != 0},
                       {QStringLiteral("openWorldHint"), false}};
}

QJsonObject toolsListEntry(const ToolEntry& entry)
{
    QJsonObject tool{{QStringLiteral("name"), entry.name},
                     {QStringLiteral("title"), entry.title},
                     {QStringLiteral("description"), entry.description},
                     {QStringLiteral("inputSchema"), entry.inputSchema},
                     {QStringLiteral("annotations"), annotations(entry)}};
    if (entry.traits & LongText)
        tool.insert(
            QStringLiteral("_meta"),
            QJsonObject{{QStringLiteral("anthropic/maxResultSizeChars"), qint64(longTextChars)}});
    return tool;
}

QJsonObject buildToolsList()
{
    QJsonArray tools;
    for (const ToolEntry& entry : toolCatalogue())
        tools.append(toolsListEntry(entry));
    return QJsonObject{{QStringLiteral("tools"), tools}};
}

} // namespace

QJsonObject itemsOfType(const char* type)
{
    return QJsonObject{{QStringLiteral("type"), QString::fromLatin1(type)}};
}

const std::vector<ToolEntry>& toolCatalogue()
{
    static const std::vector<ToolEntry> catalogue = buildCatalogue();
    return catalogue;
}

const ToolEntry* findTool(const QString& name)
{
    for (const ToolEntry& entry : toolCatalogue()) {
        if (entry.name == name)
            return &entry;
    }
    return nullptr;
}

const QByteArray& toolsListJson()
{
    static const QByteArray json = compact(buildToolsList());
    return json;
}
