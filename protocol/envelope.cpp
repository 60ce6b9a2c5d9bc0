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
