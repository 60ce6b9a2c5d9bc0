#include "catalogue/toolRegistry.h"

#include "base/jsonText.h"
#include "catalogue/toolTables.h"

#include <QJsonArray>

namespace
{

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
            catalogue.push_back({row.name, row.description, buildInputSchema(row.params)});
    }
    return catalogue;
}

QJsonObject buildToolsList()
{
    QJsonArray tools;
    for (const ToolEntry& entry : toolCatalogue())
        tools.append(QJsonObject{{QStringLiteral("name"), entry.name},
                                 {QStringLiteral("description"), entry.description},
                                 {QStringLiteral("inputSchema"), entry.inputSchema}});
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
