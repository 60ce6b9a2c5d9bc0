#include "expectedSentences.h"

const QString notRunningSentence = QStringLiteral(
    "Kestrova does not answer. It must be running with the AI connection switched on: in "
    "Kestrova, File > Settings > AI connection. Ask the user to do that, then try again.");
const QString silentSentence = QStringLiteral(
    "Kestrova did not answer: it was closed, or the AI connection was switched off.");
const QString strayAnswerSentence =
    QStringLiteral("Kestrova's answer did not belong to the question. Try again.");
const QString foreignUserSentence = QStringLiteral(
    "Kestrova's AI connection on this computer belongs to another user, so nothing was sent. "
    "Ask the user to check that Kestrova runs under their own account.");
const QString refusedSentence = QStringLiteral(
    "Kestrova's AI connection did not let this program in, so nothing was sent. Kestrova and "
    "the AI client must run with the same rights: on Windows, both as administrator or neither. "
    "Ask the user to start them so, then try again.");
const QString busySentence = QStringLiteral(
    "Kestrova's AI connection is taken by another program, so nothing was sent. Try again when "
    "it is free.");
