#include "standin/standinConnection.h"

#include "base/jsonText.h"
#include "standin/standinReplies.h"

#include <QCoreApplication>
#include <QLocalSocket>
#include <QTimer>

#include <chrono>
#include <cstdio>

using namespace std::chrono_literals;

namespace
{

// The trickle mode writes each answer in this many pieces, this far apart.
constexpr int tricklePieces = 5;
constexpr std::chrono::milliseconds tricklePause = 200ms;

void printLine(const QByteArray& line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
}

void printRequest(const StandinRequest& request)
{
    printLine(request.readable ? "request " + QByteArray::number(request.id) + ' ' +
                                     request.tool.toUtf8() + ' ' + compact(request.arguments) + '\n'
                               : QByteArrayLiteral("request that is not JSON\n"));
}

// Says, once the connection has really ended, that this stand-in closed it: the n-th such close
// is "closed n".
void printWhenClosed(QLocalSocket* socket)
{
    static int closed = 0;
    QObject::connect(socket, &QLocalSocket::disconnected, socket,
                     [] { printLine("closed " + QByteArray::number(++closed) + '\n'); });
}

void writePieces(QLocalSocket* socket, const QByteArrayList& pieces)
{
    for (const QByteArray& piece : pieces)
        socket->write(piece);
}

// Writes the answer in pieces; the timers end with the socket if it goes first.
void trickle(QLocalSocket* socket, const QByteArray& answer)
{
    const qsizetype pieceSize = (answer.size() + tricklePieces - 1) / tricklePieces;
    for (int piece = 0; piece < tricklePieces; ++piece) {
        const QByteArray bytes = answer.mid(piece * pieceSize, pieceSize);
        QTimer::singleShot(piece * tricklePause, socket, [socket, bytes] { socket->write(bytes); });
    }
}

void writeAnswer(QLocalSocket* socket, const QByteArrayList& pieces, StandinMode mode)
{
    switch (mode) {
    case StandinMode::Trickle:
        trickle(socket, pieces.join());
        return;
    case StandinMode::DropMidReply: {
        const QByteArray answer = pieces.join();
        socket->write(answer.left(answer.size() / 2));
        socket->flush();
        socket->disconnectFromServer(); // after what was written has left
        return;
    }
    case StandinMode::TwoLines:
        // Both lines in one write, so that the second is there as soon as the first is.
        socket->write(pieces.join());
        return;
    case StandinMode::CloseAfter:
        // Closed right behind the answer, so that the close reaches the server with it.
        writePieces(socket, pieces);
        socket->flush();
        socket->disconnectFromServer();
        return;
    default:
        writePieces(socket, pieces);
        return;
    }
}

void answerRequest(QLocalSocket* socket, const QByteArray& line, const StandinSetup& setup)
{
    const StandinOptions& options = setup.options;
    const StandinRequest request = readRequest(line);
    if (options.verbose)
        printRequest(request);
    if (options.mode == StandinMode::ExitBeforeReply) {
        QCoreApplication::exit(0);
        return;
    }
    if (options.mode == StandinMode::Silent)
        return;

    const QByteArrayList pieces = replyPieces(request, options.mode, setup.pictureBase64);
    const std::chrono::milliseconds delay = answerDelay(options);
    if (delay == 0ms) {
        writeAnswer(socket, pieces, options.mode);
        return;
    }
    QTimer::singleShot(delay, socket, [socket, pieces, mode = options.mode] {
        if (socket->state() == QLocalSocket::ConnectedState)
            writeAnswer(socket, pieces, mode);
    });
}

} // namespace

void serveConnection(QLocalSocket* socket, std::shared_ptr<const StandinSetup> setup)
{
    QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    const StandinMode mode = setup->options.mode;
    if (setup->options.verbose &&
        (mode == StandinMode::CloseAfter || mode == StandinMode::DropMidReply))
        printWhenClosed(socket);
    QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket, setup] {
        // A connection this stand-in closed takes no more requests.
        while (socket->state() == QLocalSocket::ConnectedState && socket->canReadLine())
            answerRequest(socket, socket->readLine(), *setup);
    });
}
