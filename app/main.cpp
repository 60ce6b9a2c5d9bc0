// kestrova-mcp: the MCP server through which an AI assistant works in the Kestrova editor.
// It reads JSON-RPC requests from standard input, one per line, and answers on standard output.

#include "app/callWait.h"
#include "app/commandLine.h"
#include "app/stdioLines.h"
#include "base/qtMessages.h"
#include "editor/editorExchange.h"
#include "protocol/handleMessage.h"

#include <QCoreApplication>
#include <QLocalSocket>

#include <csignal>

int main(int argc, char* argv[])
{
    useBinaryStdio();
#ifdef SIGPIPE
    // A client or editor that goes away must not end the process: writes just fail.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    // Nothing may reach standard error, Qt's own diagnostics included.
    qInstallMessageHandler(discardQtMessage);
    // No event loop ever runs, so Qt's plain event dispatcher will do: the GLib one costs time
    // at start and a wake-up call at every write to the editor socket.
    qputenv("QT_NO_GLIB", "1");
    if (const CommandLineMode mode = commandLineMode(argc, argv); mode != CommandLineMode::Server)
        return runCommandLineMode(mode, argc, argv);

    QCoreApplication application(argc, argv);
    QLocalSocket editorSocket;
    ServerStreams streams;
    // While the editor works on a call, standard input is still served.
    const EditorExchange exchange = makeEditorExchange(editorSocket);
    const ToolCaller caller = [&exchange, &streams](const ClientCall& call,
                                                    const QJsonObject& arguments) {
        return carryOutCall(streams, exchange, call, arguments);
    };

    QByteArray line;
    for (;;) {
        if (!lineIsWaiting(streams))
            flushLines(streams.output);
        if (!nextLine(streams, line))
            break;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const Reply reply = handleMessage(line, caller);
        const ReplyPieces pieces = replyPieces(reply);
        if (!pieces.isEmpty())
            queueLine(streams.output, pieces);
    }
    flushLines(streams.output);
    // The call, the socket and the application object end in reverse order of creation.
    return 0;
}
