#include "bundle/bundleManifest.h"

#include "catalogue/toolRegistry.h"

#include <QJsonArray>

namespace
{

// The variable the server reads, filled from the user's optional setting of the same meaning.
QJsonObject serverEnvironment()
{
    return {{QStringLiteral("KESTROVA_AI_PIPE"), QStringLiteral("${user_config.pipe_name}")}};
}

QJsonArray catalogueTools()
{
    QJsonArray tools;
    for (const ToolEntry& entry : toolCatalogue())
        tools.append(QJsonObject{{QStringLiteral("name"), entry.name},
                                 {QStringLiteral("description"), entry.description}});
    return tools;
}

} // namespace

QJsonObject bundleManifest(const QString& version)
{
    // A platform override replaces command, args and env whole, so it repeats all three.
    const QJsonObject windows{
        {QStringLiteral("command"), QStringLiteral("${__dirname}/server/kestrova-mcp.exe")},
        {QStringLiteral("args"), QJsonArray()},
        {QStringLiteral("env"), serverEnvironment()}};
    const QJsonObject mcpConfig{
        {QStringLiteral("command"), QStringLiteral("${__dirname}/server/kestrova-mcp")},
        {QStringLiteral("args"), QJsonArray()},
        {QStringLiteral("env"), serverEnvironment()},
        {QStringLiteral("platform_overrides"), QJsonObject{{QStringLiteral("win32"), windows}}}};
    const QJsonObject server{{QStringLiteral("type"), QStringLiteral("binary")},
                             {QStringLiteral("entry_point"), QStringLiteral("server/kestrova-mcp")},
                             {QStringLiteral("mcp_config"), mcpConfig}};
    const QJsonObject pipeName{
        {QStringLiteral("type"), QStringLiteral("string")},
        {QStringLiteral("title"), QStringLiteral("Connection name (optional)")},
        {QStringLiteral("description"),
         QStringLiteral("Leave this empty: kestrova-mcp and Kestrova find each other by a name "
                        "both derive from your home folder. Fill it in only when Kestrova was "
                        "started with KESTROVA_AI_PIPE set, with the same value.")},
        {QStringLiteral("required"), false},
        {QStringLiteral("default"), QString()}};
    return QJsonObject{
        {QStringLiteral("manifest_version"), QStringLiteral("0.3")},
        {QStringLiteral("name"), QStringLiteral("kestrova")},
        {QStringLiteral("display_name"), QStringLiteral("Kestrova")},
        {QStringLiteral("version"), version},
        {QStringLiteral("description"),
         QStringLiteral("Lets the assistant work in the Kestrova video editor on this computer.")},
        {QStringLiteral("long_description"),
         QStringLiteral(
             "The assistant reads the project open in Kestrova and looks at its pictures, cuts "
             "and arranges clips, adds effects, transitions, titles, stickers and music, works "
             "from what is said in the recordings, and saves and exports when asked. Kestrova "
             "must be running with its AI connection switched on: in Kestrova, File > Settings "
             "> AI connection. To see whether the two reach each other, run kestrova-mcp.exe "
             "--check from the bundle's server folder.")},
        {QStringLiteral("author"),
         QJsonObject{{QStringLiteral("name"), QStringLiteral("Kestrova")}}},
        {QStringLiteral("server"), server},
        {QStringLiteral("tools"), catalogueTools()},
        {QStringLiteral("tools_generated"), false},
        {QStringLiteral("keywords"),
         QJsonArray{QStringLiteral("video"), QStringLiteral("video editor"),
                    QStringLiteral("Kestrova")}},
        {QStringLiteral("compatibility"),
         QJsonObject{{QStringLiteral("platforms"), QJsonArray{QStringLiteral("win32")}}}},
        {QStringLiteral("user_config"), QJsonObject{{QStringLiteral("pipe_name"), pipeName}}}};
}
