#pragma once

#include <QString>

// What became of one tool call's exchange with the editor. Every way a call can end is one of
// these; a new one goes here, with its sentence in `failureSentence`.
enum class EditorOutcome {
    Answered,       // the editor answered this very request, perhaps refusing it by its flag
    NothingListens, // nothing listens under the editor's name: nothing was sent
    OtherUser,      // the socket belongs to another user: nothing was sent
    Refused,        // the socket does not let this program in: nothing was sent
    Busy,           // every connection to the socket stayed taken: nothing was sent
    NoAnswer,       // no reply data within the wait, or the connection broke
    OutOfTurn,      // the answer carried another request's id
    Cancelled,      // the client cancelled the call before the editor answered
};

// The sentence the assistant reads when a call ended so; empty for an answer and for a
// cancelled call, which gets no reply.
QString failureSentence(EditorOutcome outcome);
