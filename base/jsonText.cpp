#include "base/jsonText.h"

#include <QJsonArray>
#include <QJsonDocument>

QByteArray compact(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray jsonText(const QJsonValue& value)
{
    // The writer writes only arrays and objects: the value goes in an array whose brackets are
    // then dropped.
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.sliced(1, array.size() - 2);
}
