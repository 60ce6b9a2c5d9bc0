#include "protocol/toolCall.h"

#include "base/jsonText.h"
#include "catalogue/toolRegistry.h"

#include <QJsonArray>

namespace
{

// The reply that carries the tool result, written by hand with its members in name order as
// the JSON writer would put them: a raw picture's place in it is known as it is written.
Reply toolResultReply(const QJsonValue& id, const EditorReply& editorReply)
{
    const QJsonObject& fields = editorReply.fields;
    const QJsonValue image = fields.value(QLatin1String("image"));
    const bool rawPicture = !editorReply.picture.base64.isEmpty();
    const bool parsedPicture = !rawPicture && image.isString() && !image.toString().isEmpty();

    QByteArray result = R"({"content":[{"text":)";
    result.append(jsonText(fields.value(QLatin1String("text")).toString()));
    result.append(R"(,"type":"text"})");
    qsizetype pictureAt = 0;
    if (rawPicture || parsedPicture) {
        result.append(R"(,{"data":)");
        if (rawPicture) {
            result.append('"');
            pictureAt = result.size();
            result.append('"');
        } else {
            result.append(jsonText(image));
        }
        result.append(R"(,"mimeType":"image/jpeg","type":"image"})");
    }
    result.append(R"(],"isError":)");
    result.append(fields.value(QLatin1String("error")).toBool(false) ? "true" : "false");
    result.append('}');
    return makeResult(id, result, rawPicture ? editorReply.picture : RawPicture{}, pictureAt);
}

} // namespace

QJsonObject toolCallResult(const EditorReply& editorReply)
{
    const QJsonObject& fields = editorReply.fields;
    QJsonArray content{
        QJsonObject{{QStringLiteral("type"), QStringLiteral("text")},
                    {QStringLiteral("text"), fields.value(QLatin1String("text")).toString()}}};
    const QJsonValue image = fields.value(QLatin1String("image"));
    const bool hasPicture =
        !editorReply.picture.base64.isEmpty() || (image.isString() && !image.toString().isEmpty());
    if (hasPicture)
        content.append(QJsonObject{{QStringLiteral("type"), QStringLiteral("image")},
                                   {QStringLiteral("data"), image},
                                   {QStringLiteral("mimeType"), QStringLiteral("image/jpeg")}});
    return QJsonObject{
        {QStringLiteral("content"), content},
        {QStringLiteral("isError"), fields.value(QLatin1String("error")).toBool(false)}};
}

Reply toolsCallReply(const QJsonValue& id, const QJsonObject& params, const EditorCall& editorCall)
{
    const QString name = params.value(QLatin1String("name")).toString();
    if (!findTool(name))
        return {makeError(id, ErrorCode::InvalidParams,
                          QStringLiteral("Kestrova has no tool \"%1\".").arg(name))};
    const QJsonObject arguments = params.value(QLatin1String("arguments")).toObject();
    return toolResultReply(id, editorCall(name, arguments));
}
