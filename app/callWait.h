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

// How often a call whose client asked for progress reports that the editor is still at work.
constexpr std::chrono::seconds progressInterval{5};

// What is held of standard input while a call waits: lines read ahead and the part of the next
// one read so far. At this bound the rest is left in the pipe until the call ends.
constexpr qsizetype heldInputBytes = 16 * 1024 * 1024;

// A tool call, under way or waiting its turn, as the wait sees it.
struct CallInProgress {
    RunningCall call;           // filled by the dispatcher while the editor works on it
    QElapsedTimer since;        // started when the call goes to the editor, or is read ahead
    qint64 progressReports = 0; // sent so far for this call
    qint64 progressQueued = 0;  // the progress reported while it waited its turn
};

// A line read while a call waited, to be handled after it.
struct HeldLine {
    QByteArray line;
    QJsonValue cancels;    // the request id it cancels, if it is a cancellation
    CallInProgress queued; // a tool call that asked for progress, until it is cancelled
};

// Standard input and output as the main loop and the waits for the editor share them.
struct ServerStreams {
    InputLines input;
    OutputLines output;
    std::deque<HeldLine> held; // lines read ahead, in the order they came
    qsizetype heldBytes = 0;   // what the lines in `held` cost, their records included
    qint64 progressQueued = 0; // reported for the line `nextLine` gave last, while it was held
};

// The next line to handle, without its line feed: a line read ahead first, then standard input.
// False once input has ended and nothing is left.
bool nextLine(ServerStreams& streams, QByteArray& line);

// Whether a line can be had without waiting for input.
bool lineIsWaiting(ServerStreams& streams);

// Before a call goes to the editor: takes the lines that have already arrived, answering pings;
// true when one of them cancels the call.
bool cancelledBeforeStart(ServerStreams& streams, CallInProgress& progress);

// The wait for the editor while the call runs: serves standard input until the socket wakes,
// `deadline` passes or the client cancels the call.
EditorWaitEnd waitServingInput(ServerStreams& streams, CallInProgress& progress,
                               QLocalSocket& socket, const QDeadlineTimer& deadline);
