#include "protocol/envelope.h"

#include "base/jsonText.h"

#include <utility>

namespace
{

// Integers this small are written by the JSON writer as their plain digits.
constexpr qint64 plainIntegerLimit = 1'000'000'000'000'000;

// The id as the JSON writer writes it. The common whole-number id is written directly.
QByteArray idJson(const QJsonValue& id)
{
    if (id.isDouble()) {
        const qint64 whole = id.toInteger(plainIntegerLimit);
        if (whole > -plainIntegerLimit && whole < plainIntegerLimit &&
            double(whole) == id.toDouble())
            return QByteArray::number(whole);
    }
    return jsonText(id);
}

// A success reply up to its result: the result follows, then the closing brace.
QByteArray resultHead(const QJsonValue& id, qsizetype resultSize)
{
    const QByteArray idText = idJson(id);
    QByteArray head;
    head.reserve(32 + idText.size() + resultSize);
    head.append(R"({"id":)").append(idText).append(R"(,"jsonrpc":"2.0","result":)");
    return head;
}

} // namespace

// The envelopes are put together by hand, their members in name order as the JSON writer would
// put them: building and writing a JSON object for each reply cost more than the rest of a ping.

QByteArray makeResult(const QJsonValue& id, const QJsonObject& result)
{
    return makeResult(id, result.isEmpty() ? QByteArrayLiteral("{}") : compact(result));
}

QByteArray makeResult(const QJsonValue& id, const QByteArray& resultJson)
{
    return resultHead(id, resultJson.size()).append(resultJson).append('}');
}

Reply makeResult(const QJsonValue& id, const QByteArray& resultJson, const RawPicture& picture,
                 qsizetype pictureAt)
{
    QByteArray line = resultHead(id, resultJson.size());
    const qsizetype resultAt = line.size();
    line.append(resultJson).append('}');
    return Reply{std::move(line), picture, resultAt + pictureAt};
}

ReplyPieces replyPieces(const Reply& reply)
{
    if (reply.line.isEmpty())
        return {};
    if (reply.picture.base64.isEmpty())
        return {reply.line};
    const QByteArrayView line = reply.line;
    return {line.first(reply.pictureAt), reply.picture.base64, line.sliced(reply.pictureAt)};
}

QByteArray replyLine(const Reply& reply)
{
    if (reply.picture.base64.isEmpty())
        return reply.line;
    QByteArray line;
    line.reserve(reply.line.size() + reply.picture.base64.size());
    for (const QByteArrayView piece : replyPieces(reply))
        line.append(piece);
    return line;
}

QByteArray makeError(const QJsonValue& id, ErrorCode code, const QString& message)
{
    const QJsonObject error{{QStringLiteral("code"), int(code)},
                            {QStringLiteral("message"), message}};
    return R"({"error":)" + compact(error) + R"(,"id":)" + idJson(id) + R"(,"jsonrpc":"2.0"})";
}
