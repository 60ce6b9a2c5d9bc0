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

// Writes a line that cannot wait for the call to end: a ping's reply, a progress report.
void writeAtOnce(ServerStreams& streams, const QByteArray& line)
{
    queueLine(streams.output, {line});
    flushLines(streams.output);
}

// Keeps a line for after the call. A cancellation in it also stops the reports of a call read
// ahead that it names: a cancelled call hears nothing more.
void holdLine(ServerStreams& streams, const QByteArray& line, const LineDuringCall& seen)
{
    for (HeldLine& held : streams.held) {
        if (held.queued && cancelsCall(seen.cancels, held.queued->call))
            held.queued.reset();
    }
    streams.heldBytes += heldLineCost(line);
    std::optional<QueuedCall> queued;
    if (seen.queued) {
        queued = QueuedCall{*seen.queued, {}};
        queued->clock.since.start();
    }
    streams.held.push_back({line, seen.cancels, std::move(queued)});
}

// Takes every line that has arrived whole: pings are answered at once, the rest are held. True
// when one of them cancels `call`.
bool takeArrivedLines(ServerStreams& streams, const ClientCall& call)
{
    bool cancelled = false;
    QByteArray line;
    while (takeBufferedLine(streams.input, line)) {
        const LineDuringCall seen = lineDuringCall(line);
        if (!seen.reply.isEmpty()) {
            writeAtOnce(streams, seen.reply);
            continue;
        }
        cancelled = cancelled || cancelsCall(seen.cancels, call);
        holdLine(streams, line, seen);
    }
    return cancelled;
}

// Whether a line read before `call` went to the editor, or one arriving now, cancels it.
bool cancelledWhileQueued(ServerStreams& streams, const ClientCall& call)
{
    bool cancelled = takeArrivedLines(streams, call);
    for (const HeldLine& held : streams.held)
        cancelled = cancelled || cancelsCall(held.cancels, call);
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
QDeadlineTimer nextReportDue(const ProgressClock& clock)
{
    const auto due = progressInterval * (clock.reportsSent + 1);
    return QDeadlineTimer(std::chrono::milliseconds(due) -
                          std::chrono::milliseconds(clock.since.elapsed()));
}

// When the wait must end to report: the earliest of `until` and the next report due for the
// running call and the calls read ahead.
QDeadlineTimer wakeForReports(const ServerStreams& streams, const ClientCall& call,
                              const ProgressClock& clock, QDeadlineTimer until)
{
    if (wantsProgress(call))
        until = qMin(until, nextReportDue(clock));
    for (const HeldLine& held : streams.held) {
        if (held.queued && wantsProgress(held.queued->call))
            until = qMin(until, nextReportDue(held.queued->clock));
    }
    return until;
}

// Tells the running call and each call read ahead whose report is due that it still waits.
void reportDueProgress(ServerStreams& streams, const ClientCall& call, ProgressClock& clock)
{
    if (wantsProgress(call) && nextReportDue(clock).hasExpired()) {
        ++clock.reportsSent;
        writeAtOnce(streams, progressNotification(call.progressToken,
                                                  clock.reportsSent * progressInterval.count(),
                                                  call.tool, clock.reportedEarlier));
    }
    for (HeldLine& held : streams.held) {
        if (!held.queued || !wantsProgress(held.queued->call) ||
            !nextReportDue(held.queued->clock).hasExpired())
            continue;
        QueuedCall& queued = *held.queued;
        ++queued.clock.reportsSent;
        writeAtOnce(streams,
                    queuedProgressNotification(queued.call.progressToken,
                                               queued.clock.reportsSent * progressInterval.count(),
                                               queued.call.tool));
    }
}

// The wait for the editor while `call` runs: serves standard input until the socket wakes,
// `deadline` passes or the client cancels the call.
EditorWaitEnd waitServingInput(ServerStreams& streams, const ClientCall& call, ProgressClock& clock,
                               QLocalSocket& socket, const QDeadlineTimer& deadline)
{
    for (;;) {
        const QDeadlineTimer until = wakeForReports(streams, call, clock, deadline);
        switch (waitForEditorOrInput(socket, mayReadInput(streams), until)) {
        case Woken::Editor:
            return EditorWaitEnd::Socket;
        case Woken::Input:
            readMore(streams.input);
            if (takeArrivedLines(streams, call))
                return EditorWaitEnd::CallDropped;
            break;
        case Woken::TimeUp:
            if (deadline.hasExpired())
                return EditorWaitEnd::TimeUp;
            reportDueProgress(streams, call, clock);
            break;
        }
    }
}

} // namespace

bool nextLine(ServerStreams& streams, QByteArray& line)
{
    streams.reportedQueued = 0;
    if (streams.held.empty())
        return readLine(streams.input, line);
    HeldLine& held = streams.held.front();
    line = std::move(held.line);
    if (held.queued)
        streams.reportedQueued = held.queued->clock.reportsSent * progressInterval.count();
    streams.held.pop_front();
    streams.heldBytes -= heldLineCost(line);
    return true;
}

bool lineIsWaiting(ServerStreams& streams)
{
    return !streams.held.empty() || shortLineIsWaiting(streams.input);
}

EditorReply carryOutCall(ServerStreams& streams, const EditorExchange& exchange,
                         const ClientCall& call, const QJsonObject& arguments)
{
    flushLines(streams.output);
    if (cancelledWhileQueued(streams, call))
        return failedReply(EditorOutcome::Cancelled);
    ProgressClock clock;
    clock.since.start();
    clock.reportedEarlier = streams.reportedQueued;
    return exchange(
        call.tool, arguments,
        [&streams, &call, &clock](QLocalSocket& socket, const QDeadlineTimer& deadline) {
            return waitServingInput(streams, call, clock, socket, deadline);
        });
}
