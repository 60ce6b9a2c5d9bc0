#include "standin/standinReplies.h"

#include "base/jsonText.h"
#include "standin/standinAnswers.h"

#include <QJsonDocument>

namespace
{

// Distance of the wrong-id mode's ids from the right ones.
constexpr qint64 wrongIdOffset = 1000;

// The reply object as one line, in pieces: the picture is its own piece, shared rather than
// copied, so that a large one costs no copying at all per answer.
QByteArrayList replyLine(const QJsonObject& reply, const QByteArray& pictureBase64)
{
    QByteArray line = compact(reply);
    if (pictureBase64.isEmpty())
        return {line + '\n'};
    line.chop(1);
    return {line + R"(,"image":")", pictureBase64, QByteArrayLiteral("\"}\n")};
}

QJsonValue idFor(qint64 id, StandinMode mode)
{
    switch (mode) {
    case StandinMode::WrongId:
        return id + wrongIdOffset;
    case StandinMode::StringId:
        return QString::number(id);
    default:
        return id;
    }
}

} // namespace

StandinRequest readRequest(const QByteArray& line)
{
    const QJsonDocument document = QJsonDocument::fromJson(line);
    if (!document.isObject())
        return {};
    const QJsonObject request = document.object();
    return {request.value(QLatin1String("id")).toInteger(0),
            request.value(QLatin1String("tool")).toString(),
            request.value(QLatin1String("arguments")).toObject(), true};
}

QByteArrayList replyPieces(const StandinRequest& request, StandinMode mode,
                           const QByteArray& pictureBase64)
{
    if (mode == StandinMode::NotJson)
        return {QByteArrayLiteral("Kestrova is busy; this is not JSON {\n")};

    const QJsonValue id = idFor(request.id, mode);
    if (!request.readable) {
        const QJsonObject reply{
            {QStringLiteral("id"), id},
            {QStringLiteral("text"), QStringLiteral("The request was not a JSON object.")},
            {QStringLiteral("error"), true}};
        return {replyLine(reply, QByteArray())};
    }

    const StandinAnswer answer = answerFor(request.tool, request.arguments);
    const bool refused = mode == StandinMode::Error && answer.known;
    const QJsonObject reply{
        {QStringLiteral("id"), id},
        {QStringLiteral("text"), refused ? refusalFor(request.tool) : answer.text},
        {QStringLiteral("error"), refused || !answer.known}};
    QByteArrayList pieces =
        replyLine(reply, answer.picture && !refused ? pictureBase64 : QByteArray());
    if (mode != StandinMode::TwoLines)
        return pieces;

    const QJsonObject second{
        {QStringLiteral("id"), id},
        {QStringLiteral("text"), QStringLiteral("A second answer to the same question.")},
        {QStringLiteral("error"), false}};
    return pieces + replyLine(second, QByteArray());
}
