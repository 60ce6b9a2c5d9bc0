#include "app/callWait.h"

#include "app/stdinWait.h"
#include "protocol/duringCall.h"

#include <QDeadlineTimer>

namespace
{

// What a held line costs: its bytes, its record, and the bookkeeping of their allocations, so that
// a flood of short lines is bounded too.
qsizetype heldLineCost(const QByteArray& line)
{
    constexpr qsizetype allocationBytes = 64;
    return line.size() + qsizetype(sizeof(HeldLine)) + allocationBytes;
}

// Takes every line that has arrived whole: pings are answered at once, the rest are kept.
// True when one of them cancels the running call.
bool takeArrivedLines(ServerStreams& streams, const RunningCall& call)
{
    bool cancelled = false;
    QByteArray line;
    while (takeBufferedLine(streams.input, line)) {
        const LineDuringCall seen = lineDuringCall(line);
        if (!seen.reply.isEmpty()) {
            queueLine(streams.output, {seen.reply});
            flushLines(streams.output);
            continue;
        }
        cancelled = cancelled || cancelsCall(seen.cancels, call);
        // A call read ahead and then cancelled hears nothing more.
        for (HeldLine& held : streams.held) {
            if (cancelsCall(seen.cancels, held.queued.call))
                held.queued.call.active = false;
        }
        streams.heldBytes += heldLineCost(line);
        streams.held.push_back({line, seen.cancels, {seen.queued, {}, 0, 0}});
        if (seen.queued.active)
            streams.held.back().queued.since.start();
    }
    return cancelled;
}

// Whether standard input is read while the call waits: not after its end, nor once what is held
// of it has reached the bound.
bool mayReadInput(const ServerStreams& streams)
{
    const InputLines& input = streams.input;
    return !input.ended && streams.heldBytes + (input.buffer.size() - input.start) < heldInputBytes;
}

// When the next progress report is due.
QDeadlineTimer nextProgressReport(const CallInProgress& progress)
{
    const auto due = progressInterval * (progress.progressReports + 1);
    return QDeadlineTimer(std::chrono::milliseconds(due) -
                          std::chrono::milliseconds(progress.since.elapsed()));
}

// The earliest of `until` and the next report due for a call read ahead.
QDeadlineTimer nextQueuedReport(const ServerStreams& streams, QDeadlineTimer until)
{
    for (const HeldLine& held : streams.held) {
        if (wantsProgress(held.queued.call) && nextProgressReport(held.queued) < until)
            until = nextProgressReport(held.queued);
    }
    return until;
}

// Tells each call read ahead whose report is due that it still waits its turn.
void reportQueuedCalls(ServerStreams& streams)
{
    bool reported = false;
    for (HeldLine& held : streams.held) {
        CallInProgress& queued = held.queued;
        if (!wantsProgress(queued.call) || !nextProgressReport(queued).hasExpired())
            continue;
        ++queued.progressReports;
        queueLine(streams.output,
                  {queuedProgressNotification(queued.call.progressToken,
                                              queued.progressReports * progressInterval.count(),
                                              queued.call.tool)});
        reported = true;
    }
    if (reported)
        flushLines(streams.output);
}

} // namespace

bool nextLine(ServerStreams& streams, QByteArray& line)
{
    streams.progressQueued = 0;
    if (streams.held.empty())
        return readLine(streams.input, line);
    line = std::move(streams.held.front().line);
    const CallInProgress& queued = streams.held.front().queued;
    if (queued.call.active)
        streams.progressQueued = queued.progressReports * progressInterval.count();
    streams.held.pop_front();
    streams.heldBytes -= heldLineCost(line);
    return true;
}

bool lineIsWaiting(ServerStreams& streams)
{
    return !streams.held.empty() || shortLineIsWaiting(streams.input);
}

bool cancelledBeforeStart(ServerStreams& streams, CallInProgress& progress)
{
    const RunningCall& call = progress.call;
    bool cancelled = takeArrivedLines(streams, call);
    for (const HeldLine& held : streams.held)
        cancelled = cancelled || cancelsCall(held.cancels, call);
    progress.since.start();
    progress.progressReports = 0;
    progress.progressQueued = streams.progressQueued;
    return cancelled;
}

EditorWaitEnd waitServingInput(ServerStreams& streams, CallInProgress& progress,
                               QLocalSocket& socket, const QDeadlineTimer& deadline)
{
    for (;;) {
        QDeadlineTimer until = deadline;
        const bool reportsProgress = wantsProgress(progress.call);
        if (reportsProgress) {
            const QDeadlineTimer report = nextProgressReport(progress);
            if (report < until)
                until = report;
        }
        until = nextQueuedReport(streams, until);
        switch (waitForEditorOrInput(socket, mayReadInput(streams), until)) {
        case Woken::Editor:
            return EditorWaitEnd::Socket;
        case Woken::Input:
            readMore(streams.input);
            if (takeArrivedLines(streams, progress.call))
                return EditorWaitEnd::CallDropped;
            break;
        case Woken::TimeUp:
            if (deadline.hasExpired())
                return EditorWaitEnd::TimeUp;
            if (reportsProgress && nextProgressReport(progress).hasExpired()) {
                ++progress.progressReports;
                const qint64 seconds = progress.progressReports * progressInterval.count();
                queueLine(streams.output,
                          {progressNotification(progress.call.progressToken, seconds,
                                                progress.call.tool, progress.progressQueued)});
                flushLines(streams.output);
            }
            reportQueuedCalls(streams);
            break;
        }
    }
}
