#include "protocol/toolCall.h"

#include "catalogue/toolRegistry.h"

#include <QJsonArray>

namespace
{

const QByteArray blankPictureData = R"("data":"")";

} // namespace

QJsonObject toolCallResult(const EditorReply& editorReply)
{
    const QJsonObject& fields = editorReply.fields;
    QJsonArray content{
        QJsonObject{{QStringLiteral("type"), QStringLiteral("text")},
                    {QStringLiteral("text"), fields.value(QLatin1String("text")).toString()}}};
    const QJsonValue image = fields.value(QLatin1String("image"));
    const bool hasPicture =
        !editorReply.picture.text.isEmpty() || (image.isString() && !image.toString().isEmpty());
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
        return {makeError(id, InvalidParams, fillIn("Kestrova has no tool \"%1\".", name))};
    const QJsonObject arguments = params.value(QLatin1String("arguments")).toObject();
    const EditorReply editorReply = editorCall(name, arguments);
    Reply reply{makeResult(id, toolCallResult(editorReply))};
    if (!editorReply.picture.text.isEmpty()) {
        // The image item's data is the last member of that name; nothing after it can hold one.
        reply.picture = editorReply.picture;
        reply.pictureAt = reply.text.lastIndexOf(blankPictureData) + blankPictureData.size() - 1;
    }
    return reply;
}
