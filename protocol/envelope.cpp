#include "protocol/envelope.h"

#include <QJsonDocument>

namespace
{

QByteArray makeReply(const QJsonValue& id, const QString& member, const QJsonObject& body)
{
    const QJsonObject reply{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                            {QStringLiteral("id"), id},
                            {member, body}};
    return QJsonDocument(reply).toJson(QJsonDocument::Compact);
}

} // namespace

QByteArray makeResult(const QJsonValue& id, const QJsonObject& result)
{
    return makeReply(id, QStringLiteral("result"), result);
}

QByteArray makeResult(const QJsonValue& id, const QByteArray& resultJson)
{
    // The members come out in name order, so the result is last: put it in place of the empty one.
    QByteArray reply = makeReply(id, QStringLiteral("result"), QJsonObject());
    reply.chop(3);
    return reply + resultJson + '}';
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
    return makeReply(id, QStringLiteral("error"), error);
}

QString fillIn(const char* message, const QString& text)
{
    QString filled = QString::fromUtf8(message);
    const qsizetype at = filled.indexOf(QLatin1String("%1"));
    return at < 0 ? filled : filled.replace(at, 2, text);
}
