#include "editor/editorOutcome.h"

QString failureSentence(EditorOutcome outcome)
{
    switch (outcome) {
    case EditorOutcome::Answered:
    case EditorOutcome::Cancelled:
        break;
    case EditorOutcome::NothingListens:
        return QStringLiteral(
            "Kestrova does not answer. It must be running with the AI connection switched on: in "
            "Kestrova, File > Settings > AI connection. Ask the user to do that, then try again.");
    case EditorOutcome::OtherUser:
        return QStringLiteral(
            "Kestrova's AI connection on this computer belongs to another user, so nothing was "
            "sent. Ask the user to check that Kestrova runs under their own account.");
    case EditorOutcome::Refused:
        return QStringLiteral(
            "Kestrova's AI connection did not let this program in, so nothing was sent. Kestrova "
            "and the AI client must run with the same rights: on Windows, both as administrator "
            "or neither. Ask the user to start them so, then try again.");
    case EditorOutcome::Busy:
        return QStringLiteral("Kestrova's AI connection is taken by another program, so nothing "
                              "was sent. Try again when it is free.");
    case EditorOutcome::NoAnswer:
        return QStringLiteral(
            "Kestrova did not answer: it was closed, or the AI connection was switched off.");
    case EditorOutcome::OutOfTurn:
        return QStringLiteral("Kestrova's answer did not belong to the question. Try again.");
    }
    return QString();
}
