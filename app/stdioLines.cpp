#include "app/stdioLines.h"

namespace
{

constexpr qsizetype readPieceBytes = 256 * 1024;
// Queued replies beyond this size are written rather than gathered further.
constexpr qsizetype pendingOutputBytes = 64 * 1024;
// A request line up to this size is handled in microseconds (unless it calls the editor, and
// then the replies before it are written first).
constexpr qsizetype shortLineBytes = 64 * 1024;
// The input buffer's room that is kept between lines; room beyond it that a long line needed is
// given back once the line is handled.
constexpr qsizetype keptInputBytes = 4 * readPieceBytes;

// Drops the lines already handed out, so the buffer holds only the line being read. A buffer
// grown far beyond that for a long line gives the room back.
void compact(InputLines& input)
{
    if (input.start == 0)
        return;
    const qsizetype rest = input.buffer.size() - input.start;
    if (input.buffer.capacity() > keptInputBytes && rest <= keptInputBytes / 2)
        input.buffer = QByteArray(input.buffer.constData() + input.start, rest);
    else
        input.buffer.remove(0, input.start);
    input.scanned -= input.start;
    input.start = 0;
}

} // namespace

bool takeBufferedLine(InputLines& input, QByteArray& line)
{
    const qsizetype end = input.buffer.indexOf('\n', input.scanned);
    if (end >= 0) {
        line = input.buffer.mid(input.start, end - input.start);
        input.start = input.scanned = end + 1;
        return true;
    }
    input.scanned = input.buffer.size();
    if (!input.ended || input.start == input.buffer.size())
        return false;
    line = input.buffer.mid(input.start);
    input.start = input.scanned = input.buffer.size();
    return true;
}

bool readMore(InputLines& input)
{
    compact(input);
    const qsizetype size = input.buffer.size();
    if (input.buffer.capacity() < size + readPieceBytes)
        input.buffer.reserve(qMax(2 * input.buffer.capacity(), size + readPieceBytes));
    input.buffer.resize(size + readPieceBytes);
    const qsizetype got = readInput(input.buffer.data() + size, readPieceBytes);
    input.buffer.resize(size + got);
    input.ended = got == 0;
    return !input.ended;
}

bool readLine(InputLines& input, QByteArray& line)
{
    while (!takeBufferedLine(input, line)) {
        if (input.ended)
            return false;
        readMore(input);
    }
    return true;
}

bool shortLineIsWaiting(InputLines& input)
{
    const qsizetype end = input.buffer.indexOf('\n', input.scanned);
    if (end < 0) {
        input.scanned = input.buffer.size();
        return false;
    }
    return end - input.start <= shortLineBytes;
}

void queueLine(OutputLines& output, const LinePieces& pieces)
{
    qsizetype size = 0;
    for (const QByteArrayView piece : pieces)
        size += piece.size();
    if (size >= pendingOutputBytes) {
        flushLines(output);
        // Once a write has failed, what reaches standard output may end in part of a line:
        // nothing more is written, so that no reply is glued to it.
        output.failed = output.failed || !writeOutput(pieces, true);
        return;
    }
    for (const QByteArrayView piece : pieces)
        output.pending.append(piece);
    output.pending.append('\n');
    if (output.pending.size() >= pendingOutputBytes)
        flushLines(output);
}

void flushLines(OutputLines& output)
{
    if (output.pending.isEmpty())
        return;
    output.failed = output.failed || !writeOutput({output.pending}, false);
    output.pending.resize(0); // keeps its room for the next replies
}
