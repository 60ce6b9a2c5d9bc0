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
