#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>

// An object as compact JSON text, as the JSON writer writes it.
QByteArray compact(const QJsonObject& object);

// One JSON value of any kind as compact JSON text, as the JSON writer writes it.
QByteArray jsonText(const QJsonValue& value);
