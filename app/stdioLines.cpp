#include "app/stdioLines.h"

#include <QVarLengthArray>

#include <cerrno>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <sys/uio.h>
#include <unistd.h>
#endif

namespace
{

constexpr qsizetype readPieceBytes = 256 * 1024;
// Queued replies beyond this size are written rather than gathered further.
constexpr qsizetype pendingOutputBytes = 64 * 1024;
// A request line up to this size is handled in microseconds (unless it calls the editor, and
// then the replies before it are written first).
constexpr qsizetype shortLineBytes = 64 * 1024;
constexpr int stdinFd = 0;
constexpr int stdoutFd = 1;

// Reads what is there, up to `size` bytes; 0 at the end of input or on a stream error.
qsizetype readSome(char* into, qsizetype size)
{
    for (;;) {
#ifdef _WIN32
        const int got = _read(stdinFd, into, unsigned(size));
#else
        const ssize_t got = ::read(stdinFd, into, size_t(size));
#endif
        if (got >= 0)
            return qsizetype(got);
        if (errno != EINTR)
            return 0;
    }
}

#ifdef _WIN32
void writeAll(const char* data, qsizetype size)
{
    while (size > 0) {
        const int wrote = _write(stdoutFd, data, unsigned(qMin<qsizetype>(size, 1 << 30)));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return;
        data += wrote;
        size -= wrote;
    }
}
#endif

// Drops the lines already handed out, so the buffer holds only the line being read.
void compact(InputLines& input)
{
    if (input.start == 0)
        return;
    input.buffer.remove(0, input.start);
    input.scanned -= input.start;
    input.start = 0;
}

// Writes the pieces, then a line feed when `endLine` is set, in one system call where the pipe
// takes it all.
void writePieces(const LinePieces& pieces, bool endLine)
{
#ifdef _WIN32
    for (const QByteArrayView piece : pieces)
        writeAll(piece.data(), piece.size());
    if (endLine)
        writeAll("\n", 1);
#else
    char lineFeed = '\n';
    QVarLengthArray<iovec, 8> vectors;
    for (const QByteArrayView piece : pieces) {
        if (!piece.isEmpty())
            vectors.append({const_cast<char*>(piece.data()), size_t(piece.size())});
    }
    if (endLine)
        vectors.append({&lineFeed, 1});
    size_t count = size_t(vectors.size());
    iovec* next = vectors.data();
    while (count > 0) {
        const ssize_t wrote = ::writev(stdoutFd, next, int(count));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return;
        size_t left = size_t(wrote);
        while (count > 0 && left >= next->iov_len) {
            left -= next->iov_len;
            ++next;
            --count;
        }
        if (count > 0) {
            next->iov_base = static_cast<char*>(next->iov_base) + left;
            next->iov_len -= left;
        }
    }
#endif
}

} // namespace

void useBinaryStdio()
{
#ifdef _WIN32
    _setmode(stdinFd, _O_BINARY);
    _setmode(stdoutFd, _O_BINARY);
#endif
}

bool readLine(InputLines& input, QByteArray& line)
{
    for (;;) {
        const qsizetype end = input.buffer.indexOf('\n', input.scanned);
        if (end >= 0) {
            line = input.buffer.mid(input.start, end - input.start);
            input.start = input.scanned = end + 1;
            return true;
        }
        input.scanned = input.buffer.size();
        if (input.ended) {
            if (input.start == input.buffer.size())
                return false;
            line = input.buffer.mid(input.start);
            input.start = input.scanned = input.buffer.size();
            return true;
        }
        compact(input);
        const qsizetype size = input.buffer.size();
        if (input.buffer.capacity() < size + readPieceBytes)
            input.buffer.reserve(qMax(2 * input.buffer.capacity(), size + readPieceBytes));
        input.buffer.resize(size + readPieceBytes);
        const qsizetype got = readSome(input.buffer.data() + size, readPieceBytes);
        input.buffer.resize(size + got);
        input.ended = got == 0;
    }
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
        writePieces(pieces, true);
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
    writePieces({output.pending}, false);
    output.pending.resize(0); // keeps its room for the next replies
}
