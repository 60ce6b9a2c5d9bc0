#include "protocol/handleMessage.h"

#include "catalogue/toolRegistry.h"
#include "protocol/envelope.h"
#include "protocol/initialize.h"
#include "protocol/statelessEra.h"
#include "protocol/toolCall.h"

#include <QJsonDocument>
#include <QJsonParseError>

Reply handleMessage(const QByteArray& line, const ToolCaller& caller)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(line, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return {makeError(QJsonValue::Null, ErrorCode::ParseError,
                          QStringLiteral("This is not JSON: %1.").arg(parseError.errorString()))};
    if (!document.isObject())
        return {makeError(QJsonValue::Null, ErrorCode::InvalidRequest,
                          QStringLiteral("A message must be one JSON object."))};

    const QJsonObject message = document.object();
    const QString method = message.value(QLatin1String("method")).toString();
    const QJsonValue id = message.value(QLatin1String("id"));
    if (id.isUndefined() || id.isNull())
        return {};
    if (method.isEmpty())
        return {makeError(id, ErrorCode::InvalidRequest,
                          QStringLiteral("The message names no method."))};

    const QJsonObject params = message.value(QLatin1String("params")).toObject();
    // Most pings come without params: no lookup for them.
    if (!params.isEmpty() && claimsStatelessEra(params))
        return statelessReply(id, method, params, caller);
    if (method == QLatin1String("initialize"))
        return {makeResult(id, initializeResult(params))};
    if (method == QLatin1String("ping"))
        return {makeResult(id, QJsonObject())};
    if (method == QLatin1String("tools/list"))
        return {makeResult(id, toolsListJson())};
    if (method == QLatin1String("tools/call"))
        return toolsCallReply(id, params, caller);
    if (method == QLatin1String("server/discover"))
        return {discoverWithoutClaimReply(id)};
    return {unknownMethodError(id, method)};
}
