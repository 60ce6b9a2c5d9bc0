#include "fuzz/replyChecks.h"

#include "base/jsonText.h"
#include "editor/editorReply.h"
#include "protocol/envelope.h"
#include "protocol/handleMessage.h"
#include "protocol/initialize.h"
#include "protocol/statelessEra.h"
#include "protocol/toolCall.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSet>
#include <QStringList>

#include <cmath>

namespace
{

const QByteArray fixedToolCall =
    R"({"jsonrpc":"2.0","id":7,"method":"tools/call","params":{"name":"get_frame","arguments":{"at_seconds":1.5}}})";
constexpr int fixedToolCallId = 7;
const QByteArray fixedStatelessToolCall =
    R"({"jsonrpc":"2.0","id":7,"method":"tools/call","params":{"name":"get_frame","arguments":{"at_seconds":1.5},"_meta":{"io.modelcontextprotocol/protocolVersion":"2026-07-28","io.modelcontextprotocol/clientCapabilities":{}}}})";

QString membersProblem(const QJsonObject& object, const QStringList& expected, const char* what)
{
    const QStringList keys = object.keys();
    if (QSet<QString>(keys.begin(), keys.end()) == QSet<QString>(expected.begin(), expected.end()))
        return {};
    return QStringLiteral("%1 has the members %2, not %3")
        .arg(QLatin1String(what), keys.join(QLatin1Char(',')), expected.join(QLatin1Char(',')));
}

bool isInteger(const QJsonValue& value)
{
    if (!value.isDouble())
        return false;
    const double number = value.toDouble();
    return std::isfinite(number) && number == std::floor(number);
}

QString errorProblem(const QJsonValue& error)
{
    if (!error.isObject())
        return QStringLiteral("the error is not an object");
    const QJsonObject object = error.toObject();
    // Only a revision the server does not speak is told with data: the revisions it does.
    const bool unsupportedRevision = object.value(QLatin1String("code")).toInt() == -32022;
    QString problem = unsupportedRevision
                          ? membersProblem(object, {"code", "message", "data"}, "the error")
                          : membersProblem(object, {"code", "message"}, "the error");
    if (problem.isEmpty() && unsupportedRevision) {
        const QJsonObject data = object.value(QLatin1String("data")).toObject();
        if (data.value(QLatin1String("supported")) != QJsonArray{statelessRevision} ||
            !data.value(QLatin1String("requested")).isString())
            problem = QStringLiteral("the unsupported revision's data is wrong");
    }
    if (problem.isEmpty() && !isInteger(object.value(QLatin1String("code"))))
        problem = QStringLiteral("the error code is not an integer");
    if (problem.isEmpty() && !object.value(QLatin1String("message")).isString())
        problem = QStringLiteral("the error message is not a string");
    return problem;
}

QString itemProblem(const QJsonValue& item, int index)
{
    if (!item.isObject())
        return QStringLiteral("content item %1 is not an object").arg(index);
    const QJsonObject object = item.toObject();
    const QString type = object.value(QLatin1String("type")).toString();
    if (index == 0) {
        if (type != QLatin1String("text") || !object.value(QLatin1String("text")).isString())
            return QStringLiteral("the first content item is not a text item");
        return membersProblem(object, {"type", "text"}, "the text item");
    }
    if (type != QLatin1String("image"))
        return QStringLiteral("the second content item is not an image item");
    const QJsonValue data = object.value(QLatin1String("data"));
    if (!data.isString() || data.toString().isEmpty())
        return QStringLiteral("the image item has no data");
    if (object.value(QLatin1String("mimeType")) != QJsonValue(QStringLiteral("image/jpeg")))
        return QStringLiteral("the image item is not image/jpeg");
    return membersProblem(object, {"type", "data", "mimeType"}, "the image item");
}

// Like callEditor once a line has arrived: the line up to its own line feed is the reply.
ToolCaller editorAnswering(const QByteArray& editorLine, int* calls)
{
    return [editorLine, calls](const ClientCall&, const QJsonObject&) {
        ++*calls;
        return editorReplyFromLine(editorLine);
    };
}

// The bytes from `from` up to the next line feed, not copied: reading past them is a fault
// that AddressSanitizer sees.
QByteArray lineFrom(const QByteArray& bytes, qsizetype from)
{
    const qsizetype end = bytes.indexOf('\n', from);
    return QByteArray::fromRawData(bytes.constData() + from, (end < 0 ? bytes.size() : end) - from);
}

// What is wrong with `reply` as the answer to `request`, given how often the editor was called.
QString answerProblem(const QByteArray& request, const QByteArray& reply, int editorCalls)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(request, &parseError);
    const bool parsed = parseError.error == QJsonParseError::NoError;
    const QJsonObject message = document.object();
    const QJsonValue id = parsed && document.isObject() ? message.value(QLatin1String("id"))
                                                        : QJsonValue(QJsonValue::Null);
    const bool notification = parsed && document.isObject() && (id.isNull() || id.isUndefined());
    const bool toolCall = !notification && message.value(QLatin1String("method")).toString() ==
                                               QLatin1String("tools/call");

    if (editorCalls > (toolCall ? 1 : 0))
        return QStringLiteral("the editor was called %1 times").arg(editorCalls);
    if (notification)
        return reply.isEmpty() ? QString() : QStringLiteral("a notification was answered");
    if (reply.isEmpty())
        return QStringLiteral("a request got no reply");
    const QJsonObject answer = QJsonDocument::fromJson(reply).object();
    if (jsonText(answer.value(QLatin1String("id"))) != jsonText(id))
        return QStringLiteral("the reply's id %1 is not the request's id %2")
            .arg(QString::fromUtf8(jsonText(answer.value(QLatin1String("id")))),
                 QString::fromUtf8(jsonText(id)));
    if (editorCalls == 0)
        return {};
    if (!answer.contains(QLatin1String("result")))
        return QStringLiteral("the editor was called but the reply is an error");
    QJsonObject result = answer.value(QLatin1String("result")).toObject();
    if (claimsStatelessEra(message.value(QLatin1String("params")).toObject())) {
        // The stateless era's tool result also names its type and the server.
        const QJsonObject meta{
            {QStringLiteral("io.modelcontextprotocol/serverInfo"), serverIdentity()}};
        if (result.take(QLatin1String("resultType")) != QJsonValue(QStringLiteral("complete")))
            return QStringLiteral("the stateless era's tool result is not of type complete");
        if (result.take(QLatin1String("_meta")) != meta)
            return QStringLiteral("the stateless era's tool result does not name the server");
    }
    return toolResultProblem(result);
}

} // namespace

QString replyLineProblem(const QByteArray& line)
{
    if (line.contains('\n') || line.contains('\r'))
        return QStringLiteral("the reply holds a line break");
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(line, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return QStringLiteral("the reply is not JSON: ") + parseError.errorString();
    if (!document.isObject())
        return QStringLiteral("the reply is not an object");
    if (document.toJson(QJsonDocument::Compact) != line)
        return QStringLiteral("the reply is not compact JSON as the serialiser writes it");
    const QJsonObject reply = document.object();
    if (reply.value(QLatin1String("jsonrpc")) != QJsonValue(QStringLiteral("2.0")))
        return QStringLiteral("the reply's jsonrpc is not \"2.0\"");
    if (reply.contains(QLatin1String("result"))) {
        if (!reply.value(QLatin1String("result")).isObject())
            return QStringLiteral("the result is not an object");
        return membersProblem(reply, {"jsonrpc", "id", "result"}, "the reply");
    }
    const QString problem = membersProblem(reply, {"jsonrpc", "id", "error"}, "the reply");
    return problem.isEmpty() ? errorProblem(reply.value(QLatin1String("error"))) : problem;
}

QString toolResultProblem(const QJsonObject& result)
{
    QString problem = membersProblem(result, {"content", "isError"}, "the tool result");
    if (!problem.isEmpty())
        return problem;
    if (!result.value(QLatin1String("isError")).isBool())
        return QStringLiteral("isError is not a boolean");
    const QJsonValue content = result.value(QLatin1String("content"));
    const QJsonArray items = content.toArray();
    if (!content.isArray() || items.isEmpty() || items.size() > 2)
        return QStringLiteral("the content is not one or two items");
    for (int index = 0; index < items.size() && problem.isEmpty(); ++index)
        problem = itemProblem(items.at(index), index);
    return problem;
}

QString messageInputProblem(const QByteArray& input)
{
    QByteArray request = lineFrom(input, 0);
    const QByteArray editorLine =
        request.size() < input.size() ? lineFrom(input, request.size() + 1) : QByteArray();
    // As the line loop does: one carriage return goes, and an empty line is not handled.
    if (request.endsWith('\r'))
        request.chop(1);
    if (request.isEmpty())
        return {};

    int editorCalls = 0;
    const QByteArray reply =
        replyLine(handleMessage(request, editorAnswering(editorLine, &editorCalls)));
    if (!reply.isEmpty()) {
        const QString problem = replyLineProblem(reply);
        if (!problem.isEmpty())
            return problem;
    }
    return answerProblem(request, reply, editorCalls);
}

QString editorReplyInputProblem(const QByteArray& input)
{
    const QByteArray line = lineFrom(input, 0);
    const QJsonDocument document = QJsonDocument::fromJson(line);
    const QJsonObject plain = document.isObject() ? document.object() : QJsonObject();

    const EditorReply reply = editorReplyFromLine(line);
    const RawPicture& picture = reply.picture;
    if (!picture.base64.isEmpty()) {
        const char* begin = picture.line.constData();
        if (picture.base64.data() < begin ||
            picture.base64.data() + picture.base64.size() > begin + picture.line.size())
            return QStringLiteral("the raw picture lies outside its line");
        if (reply.fields.value(QLatin1String("image")) != QJsonValue(QString()))
            return QStringLiteral("a raw picture's reply does not hold \"image\" as \"\"");
    }
    if (replyObject(reply) != plain)
        return QStringLiteral("the reply object differs from the parsed line");
    if (reply.fields.value(QLatin1String("id")).toInteger(0) !=
        plain.value(QLatin1String("id")).toInteger(0))
        return QStringLiteral("the reply's id differs from the parsed line's");

    int editorCalls = 0;
    const QByteArray written =
        replyLine(handleMessage(fixedToolCall, editorAnswering(line, &editorCalls)));
    if (editorCalls != 1)
        return QStringLiteral("the editor was called %1 times").arg(editorCalls);
    QString problem = replyLineProblem(written);
    if (problem.isEmpty())
        problem = toolResultProblem(
            QJsonDocument::fromJson(written).object().value(QLatin1String("result")).toObject());
    if (!problem.isEmpty())
        return problem;
    const QJsonObject model = toolResultObject(EditorReply{plain});
    if (written != makeResult(fixedToolCallId, model))
        return QStringLiteral("the reply line differs from the one made from the parsed line");

    // In the stateless era the result also carries its type and the server's identity, which
    // the reply's own builder puts among the result's members as the JSON writer would.
    editorCalls = 0;
    const QByteArray writtenStateless =
        replyLine(handleMessage(fixedStatelessToolCall, editorAnswering(line, &editorCalls)));
    QJsonObject statelessModel = model;
    statelessModel.insert(QStringLiteral("resultType"), QStringLiteral("complete"));
    statelessModel.insert(QStringLiteral("_meta"), QJsonDocument::fromJson(writtenStateless)
                                                       .object()
                                                       .value(QLatin1String("result"))
                                                       .toObject()
                                                       .value(QLatin1String("_meta")));
    if (editorCalls != 1 || writtenStateless != makeResult(fixedToolCallId, statelessModel))
        return QStringLiteral("the stateless era's reply line differs from the one made from the "
                              "parsed line");
    return {};
}

QJsonObject toolResultObject(const EditorReply& editorReply)
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
