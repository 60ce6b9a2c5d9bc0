#include "protocol/toolCall.h"

#include "base/jsonText.h"
#include "catalogue/toolRegistry.h"

#include <algorithm>

namespace
{

// The tool result's own members written by hand, so that a raw picture's place in it is known as
// it is written; `pictureAt` is set when there is one.
QByteArray contentJson(const EditorReply& editorReply, qsizetype at, qsizetype& pictureAt)
{
    const QJsonObject& fields = editorReply.fields;
    const QJsonValue image = fields.value(QLatin1String("image"));
    const bool rawPicture = !editorReply.picture.base64.isEmpty();
    const bool parsedPicture = !rawPicture && image.isString() && !image.toString().isEmpty();

    QByteArray content = R"([{"text":)";
    content.append(jsonText(fields.value(QLatin1String("text")).toString()));
    content.append(R"(,"type":"text"})");
    if (rawPicture || parsedPicture) {
        content.append(R"(,{"data":)");
        if (rawPicture) {
            content.append('"');
            pictureAt = at + content.size();
            content.append('"');
        } else {
            content.append(jsonText(image));
        }
        content.append(R"(,"mimeType":"image/jpeg","type":"image"})");
    }
    content.append(']');
    return content;
}

// The reply that carries the tool result: its members and the envelope's, in name order as the
// JSON writer would put them.
Reply toolResultReply(const QJsonValue& id, const EditorReply& editorReply,
                      const ResultMembers& envelope)
{
    const QByteArray contentName = QByteArrayLiteral("content");
    const QByteArray isErrorName = QByteArrayLiteral("isError");
    std::vector<QByteArray> names{contentName, isErrorName};
    for (const ResultMember& member : envelope)
        names.push_back(member.name);
    std::sort(names.begin(), names.end());

    QByteArray result = "{";
    qsizetype pictureAt = 0;
    for (const QByteArray& name : names) {
        if (result.size() > 1)
            result.append(',');
        result.append('"').append(name).append(R"(":)");
        if (name == contentName) {
            result.append(contentJson(editorReply, result.size(), pictureAt));
        } else if (name == isErrorName) {
            result.append(editorReply.fields.value(QLatin1String("error")).toBool(false) ? "true"
                                                                                         : "false");
        } else {
            const auto member = std::find_if(envelope.begin(), envelope.end(),
                                             [&](const ResultMember& m) { return m.name == name; });
            result.append(member->json);
        }
    }
    result.append('}');
    const bool rawPicture = pictureAt > 0;
    return makeResult(id, result, rawPicture ? editorReply.picture : RawPicture{}, pictureAt);
}

} // namespace

ToolCaller callerFor(EditorCall editorCall)
{
    return
        [editorCall = std::move(editorCall)](const ClientCall& call, const QJsonObject& arguments) {
            return editorCall(call.tool, arguments);
        };
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

Reply toolsCallReply(const QJsonValue& id, const QJsonObject& params, const ToolCaller& caller,
                     const ResultMembers& envelope)
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
    const EditorReply editorReply =
        caller(ClientCall{id, progressTokenOf(params), name}, argumentsValue.toObject());
    if (editorReply.outcome == EditorOutcome::Cancelled)
        return {};
    return toolResultReply(id, editorReply, envelope);
}
