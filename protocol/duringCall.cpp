#include "protocol/duringCall.h"

#include "base/jsonText.h"
#include "protocol/envelope.h"
#include "protocol/statelessEra.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace
{

QByteArray progressLine(const QJsonValue& progressToken, qint64 progress, const QString& message)
{
    const QJsonObject params{{QStringLiteral("progressToken"), progressToken},
                             {QStringLiteral("progress"), progress},
                             {QStringLiteral("message"), message}};
    const QJsonObject notification{
        {QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
        {QStringLiteral("method"), QStringLiteral("notifications/progress")},
        {QStringLiteral("params"), params}};
    return compact(notification);
}

} // namespace

LineDuringCall lineDuringCall(const QByteArray& line)
{
    const QJsonObject message = QJsonDocument::fromJson(line).object();
    const QString method = message.value(QLatin1String("method")).toString();
    const QJsonValue id = message.value(QLatin1String("id"));
    const QJsonObject params = message.value(QLatin1String("params")).toObject();
    const bool request = !id.isUndefined() && !id.isNull();
    if (request && method == QLatin1String("ping") && !claimsStatelessEra(params))
        return {makeResult(id, QJsonObject()), QJsonValue::Undefined};
    if (!request && method == QLatin1String("notifications/cancelled")) {
        const QJsonValue requestId = params.value(QLatin1String("requestId"));
        if (requestId.isString() || requestId.isDouble())
            return {QByteArray(), requestId};
    }
    if (request && method == QLatin1String("tools/call")) {
        const QJsonValue token = progressTokenOf(params);
        if (!token.isUndefined())
            return {QByteArray(), QJsonValue::Undefined,
                    ClientCall{id, token, params.value(QLatin1String("name")).toString()}};
    }
    return {};
}

bool cancelsCall(const QJsonValue& cancels, const ClientCall& call)
{
    return !cancels.isUndefined() && cancels == call.id;
}

bool wantsProgress(const ClientCall& call)
{
    return !call.progressToken.isUndefined();
}

QByteArray progressNotification(const QJsonValue& progressToken, qint64 seconds,
                                const QString& tool, qint64 earlier)
{
    return progressLine(progressToken, earlier + seconds,
                        QStringLiteral("Kestrova is still working on %1 (%2 s).")
                            .arg(tool, QString::number(seconds)));
}

QByteArray queuedProgressNotification(const QJsonValue& progressToken, qint64 seconds,
                                      const QString& tool)
{
    return progressLine(
        progressToken, seconds,
        QStringLiteral("Kestrova has not started on %1 yet: it waits for an earlier call to end "
                       "(%2 s).")
            .arg(tool, QString::number(seconds)));
}
