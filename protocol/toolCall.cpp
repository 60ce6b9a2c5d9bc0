#include "protocol/toolCall.h"

#include "catalogue/toolRegistry.h"
#include "protocol/envelope.h"

#include <QJsonArray>

QJsonObject toolCallResult(const QJsonObject& editorReply)
{
    QJsonArray content{
        QJsonObject{{QStringLiteral("type"), QStringLiteral("text")},
                    {QStringLiteral("text"), editorReply.value(QLatin1String("text")).toString()}}};
    const QJsonValue image = editorReply.value(QLatin1String("image"));
    if (image.isString() && !image.toString().isEmpty())
        content.append(QJsonObject{{QStringLiteral("type"), QStringLiteral("image")},
                                   {QStringLiteral("data"), image},
                                   {QStringLiteral("mimeType"), QStringLiteral("image/jpeg")}});
    return QJsonObject{
        {QStringLiteral("content"), content},
        {QStringLiteral("isError"), editorReply.value(QLatin1String("error")).toBool(false)}};
}

QByteArray toolsCallReply(const QJsonValue& id, const QJsonObject& params,
                          const EditorCall& editorCall)
{
    const QString name = params.value(QLatin1String("name")).toString();
    if (!findTool(name))
        return makeError(id, InvalidParams, fillIn("Kestrova has no tool \"%1\".", name));
    const QJsonObject arguments = params.value(QLatin1String("arguments")).toObject();
    return makeResult(id, toolCallResult(editorCall(name, arguments)));
}
