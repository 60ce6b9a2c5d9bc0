#include "protocol/toolCall.h"

#include "base/jsonText.h"
#include "catalogue/toolRegistry.h"

#include <QJsonArray>

namespace
{

// The reply that carries the tool result, written by hand with its members in name order as
// the JSON writer would put them: a raw picture's place in it is known as it is written.
Reply toolResultReply(const QJsonValue& id, const EditorReply& editorReply,
                      const AddedMembers& added)
{
    const QJsonObject& fields = editorReply.fields;
    const QJsonValue image = fields.value(QLatin1String("image"));
    const bool rawPicture = !editorReply.picture.base64.isEmpty();
    const bool parsedPicture = !rawPicture && image.isString() && !image.toString().isEmpty();

    QByteArray result = R"({"content":[{"text":)";
    if (!added.before.isEmpty())
        result.insert(1, added.before);
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
    if (!added.after.isEmpty())
        result.append(added.after);
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

QJsonValue progressTokenOf(const QJsonObject& params)
{
    const QJsonValue meta = params.value(QLatin1String("_meta"));
    if (!meta.isObject())
        return QJsonValue::Undefined;
    const QJsonValue token = meta.toObject().value(QLatin1String("progressToken"));
    if (token.isString())
        return token;
    if (token.isDouble() && double(token.toInteger()) == token.toDouble())
        return token;
    return QJsonValue::Undefined;
}

Reply toolsCallReply(const QJsonValue& id, const QJsonObject& params, const EditorCall& editorCall,
                     const AddedMembers& added, RunningCall* running)
{
    const QString name = params.value(QLatin1String("name")).toString();
    if (!findTool(name))
        return {makeError(id, ErrorCode::InvalidParams,
                          QStringLiteral("Kestrova has no tool \"%1\".").arg(name))};
    // Absent or null arguments are none; any other value that is not an object is refused
    // rather than sent as an empty object the tool would run on.
    const QJsonValue argumentsValue = params.value(QLatin1String("arguments"));
    if (!argumentsValue.isObject() && !argumentsValue.isUndefined() && !argumentsValue.isNull())
        return {makeError(id, ErrorCode::InvalidParams,
                          QStringLiteral("The arguments of a tool call must be a JSON object."))};
    const QJsonObject arguments = argumentsValue.toObject();
    if (running)
        *running = RunningCall{true, id, progressTokenOf(params), name};
    const EditorReply editorReply = editorCall(name, arguments);
    if (running)
        *running = RunningCall{};
    if (editorReply.dropped)
        return {};
    return toolResultReply(id, editorReply, added);
}
