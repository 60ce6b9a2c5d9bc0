#pragma once

// The sentences the assistant reads when a tool call cannot reach the editor, as the tests
// expect them: written out here once, not taken from the code they check.

#include <QString>

extern const QString notRunningSentence;
extern const QString silentSentence;
extern const QString strayAnswerSentence;
extern const QString foreignUserSentence;
extern const QString refusedSentence;
extern const QString busySentence;
