#pragma once

// The server's standard streams while a tool call waits for the editor: input is still read,
// pings are answered at once, a cancellation of the call ends the wait, progress is reported,
// and every other line is kept for after the call.

#include "app/stdioLines.h"
#include "editor/editorExchange.h"
#include "protocol/toolCall.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QJsonValue>

#include <chrono>
#include <deque>
#include <optional>

// How often a call whose client asked for progress reports that the editor is still at work.
constexpr std::chrono::seconds progressInterval{5};

// What is held of standard input while a call waits: lines read ahead and the part of the next
// one read so far. At this bound the rest is left in the pipe until the call ends.
constexpr qsizetype heldInputBytes = 16 * 1024 * 1024;

// When a call's progress reports are due, and what they have said so far.
struct ProgressClock {
    QElapsedTimer since;        // started when the call goes to the editor, or is read ahead
    qint64 reportsSent = 0;     // for this stretch of the call's wait
    qint64 reportedEarlier = 0; // the progress reported while the call waited its turn
};

// A tool call read ahead that asked for progress, while it waits its turn.
struct QueuedCall {
    ClientCall call;
    ProgressClock clock;
};

// A line read while a call waited, to be handled after it.
struct HeldLine {
    QByteArray line;
    QJsonValue cancels;               // the request id it cancels, if it is a cancellation
    std::optional<QueuedCall> queued; // a tool call that asked for progress, until cancelled
};

// Standard input and output as the main loop and the waits for the editor share them.
struct ServerStreams {
    InputLines input;
    OutputLines output;
    std::deque<HeldLine> held; // lines read ahead, in the order they came
    qsizetype heldBytes = 0;   // what the lines in `held` cost, their records included
    qint64 reportedQueued = 0; // reported for the line `nextLine` gave last, while it was held
};

// The next line to handle, without its line feed: a line read ahead first, then standard input.
// False once input has ended and nothing is left.
bool nextLine(ServerStreams& streams, QByteArray& line);

// Whether a line can be had without waiting for input.
bool lineIsWaiting(ServerStreams& streams);

// Carries the client's tool call to the editor through `exchange` while standard input is
// served: replies already made leave first, and a call that a line read meanwhile cancels never
// goes to the editor (its reply says Cancelled).
EditorReply carryOutCall(ServerStreams& streams, const EditorExchange& exchange,
                         const ClientCall& call, const QJsonObject& arguments);
