#include "protocol/statelessEra.h"

#include "base/jsonText.h"
#include "catalogue/toolRegistry.h"
#include "protocol/initialize.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <chrono>

const QString statelessRevision = QStringLiteral("2026-07-28");

namespace
{

const QLatin1String revisionKey("io.modelcontextprotocol/protocolVersion");
const QLatin1String capabilitiesKey("io.modelcontextprotocol/clientCapabilities");

// How long a client may keep the discovery result and the tool list: neither changes while the
// process runs.
constexpr std::chrono::milliseconds cacheLifetime = std::chrono::hours(1);

const QJsonObject& identityMeta()
{
    static const QJsonObject meta{
        {QStringLiteral("io.modelcontextprotocol/serverInfo"), serverIdentity()}};
    return meta;
}

// What a tool result of this era carries besides its own members: its server's identity and
// the result type.
const ResultMembers& toolResultMembers()
{
    static const ResultMembers members{{"_meta", compact(identityMeta())},
                                       {"resultType", R"("complete")"}};
    return members;
}

// `result` with the result type, the server's identity and the caching hints of a result that
// does not change while the process runs, as compact JSON.
QByteArray cacheableResultJson(QJsonObject result)
{
    result.insert(QStringLiteral("resultType"), QStringLiteral("complete"));
    result.insert(QStringLiteral("_meta"), identityMeta());
    result.insert(QStringLiteral("ttlMs"), qint64(cacheLifetime.count()));
    result.insert(QStringLiteral("cacheScope"), QStringLiteral("public"));
    return compact(result);
}

const QByteArray& discoverResultJson()
{
    static const QByteArray json = cacheableResultJson(QJsonObject{
        {QStringLiteral("supportedVersions"), QJsonArray{statelessRevision}},
        {QStringLiteral("capabilities"), serverCapabilities()},
        {QStringLiteral("instructions"), serverInstructions()},
    });
    return json;
}

const QByteArray& toolsListResultJson()
{
    static const QByteArray json =
        cacheableResultJson(QJsonDocument::fromJson(toolsListJson()).object());
    return json;
}

} // namespace

bool claimsStatelessEra(const QJsonObject& params)
{
    const QJsonValue meta = params.value(QLatin1String("_meta"));
    return meta.isObject() && meta.toObject().contains(revisionKey);
}

Reply statelessReply(const QJsonValue& id, const QString& method, const QJsonObject& params,
                     const ToolCaller& caller)
{
    const QJsonObject meta = params.value(QLatin1String("_meta")).toObject();
    const QJsonValue revision = meta.value(revisionKey);
    if (!revision.isString())
        return {makeError(id, ErrorCode::InvalidParams,
                          QStringLiteral("The protocol revision in _meta (%1) must be a string.")
                              .arg(revisionKey))};
    if (!meta.value(capabilitiesKey).isObject())
        return {makeError(
            id, ErrorCode::InvalidParams,
            QStringLiteral("The request must name the client's capabilities in _meta (%1) as an "
                           "object.")
                .arg(capabilitiesKey))};
    if (revision.toString() != statelessRevision)
        return {makeError(id, ErrorCode::UnsupportedProtocolVersion,
                          QStringLiteral("Kestrova's connection does not speak protocol revision "
                                         "\"%1\".")
                              .arg(revision.toString()),
                          QJsonObject{{QStringLiteral("supported"), QJsonArray{statelessRevision}},
                                      {QStringLiteral("requested"), revision}})};

    if (method == QLatin1String("server/discover"))
        return {makeResult(id, discoverResultJson())};
    if (method == QLatin1String("tools/list")) {
        const QJsonValue cursor = params.value(QLatin1String("cursor"));
        if (!cursor.isUndefined() && !cursor.isNull())
            return {makeError(id, ErrorCode::InvalidParams,
                              QStringLiteral("Kestrova's tool list comes in one piece: there is "
                                             "no cursor to go on from."))};
        return {makeResult(id, toolsListResultJson())};
    }
    if (method == QLatin1String("tools/call"))
        return toolsCallReply(id, params, caller, toolResultMembers());
    return {unknownMethodError(id, method)};
}

QByteArray discoverWithoutClaimReply(const QJsonValue& id)
{
    return makeError(id, ErrorCode::InvalidParams,
                     QStringLiteral("server/discover needs the protocol revision (%1) and the "
                                    "client's capabilities (%2) in _meta.")
                         .arg(revisionKey, capabilitiesKey));
}
