#include "app/callWait.h"

#include "app/stdinWait.h"
#include "protocol/duringCall.h"

#include <QDeadlineTimer>

namespace
{

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
        streams.heldBytes += line.size() + heldLineOverheadBytes;
        streams.held.push_back({line, seen.cancels});
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

} // namespace

bool nextLine(ServerStreams& streams, QByteArray& line)
{
    if (streams.held.empty())
        return readLine(streams.input, line);
    line = std::move(streams.held.front().line);
    streams.held.pop_front();
    streams.heldBytes -= line.size() + heldLineOverheadBytes;
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
                queueLine(streams.output, {progressNotification(progress.call.progressToken,
                                                                seconds, progress.call.tool)});
                flushLines(streams.output);
            }
            break;
        }
    }
}
