#pragma once

#include <QJsonObject>
#include <QString>

// What the stand-in editor says to one tool call.
struct StandinAnswer {
    QString text;
    bool picture = false; // the answer carries the picture
    bool known = true;    // the tool is one Kestrova has
};

// The answer to a tool of the catalogue, or, for any other name, a text saying it is unknown.
StandinAnswer answerFor(const QString& tool, const QJsonObject& arguments);

// The text of an answer to a tool the editor could not carry out.
QString refusalFor(const QString& tool);
