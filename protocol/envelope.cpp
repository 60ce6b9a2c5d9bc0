#include "protocol/envelope.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace
{

// Integers this small are written by the JSON writer as their plain digits.
constexpr qint64 plainIntegerLimit = 1'000'000'000'000'000;

QByteArray compact(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// The id as the JSON writer writes it. The common whole-number id is written directly; any other
// goes through the writer, inside an array whose brackets are then dropped.
QByteArray idJson(const QJsonValue& id)
{
    if (id.isDouble()) {
        const qint64 whole = id.toInteger(plainIntegerLimit);
        if (whole > -plainIntegerLimit && whole < plainIntegerLimit &&
            double(whole) == id.toDouble())
            return QByteArray::number(whole);
    }
    const QByteArray array = QJsonDocument(QJsonArray{id}).toJson(QJsonDocument::Compact);
    return array.sliced(1, array.size() - 2);
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
    const QByteArray idText = idJson(id);
    QByteArray reply;
    reply.reserve(32 + idText.size() + resultJson.size());
    reply.append(R"({"id":)").append(idText).append(R"(,"jsonrpc":"2.0","result":)");
    reply.append(resultJson).append('}');
    return reply;
}

QByteArray replyLine(const Reply& reply)
{
    if (reply.picture.text.isEmpty())
        return reply.text;
    QByteArray line = reply.text;
    line.insert(reply.pictureAt, reply.picture.text);
    return line;
}

QByteArray makeError(const QJsonValue& id, int code, const QString& message)
{
    const QJsonObject error{{QStringLiteral("code"), code}, {QStringLiteral("message"), message}};
    return R"({"error":)" + compact(error) + R"(,"id":)" + idJson(id) + R"(,"jsonrpc":"2.0"})";
}

QString fillIn(const char* message, const QString& text)
{
    QString filled = QString::fromUtf8(message);
    const qsizetype at = filled.indexOf(QLatin1String("%1"));
    return at < 0 ? filled : filled.replace(at, 2, text);
}
