// kestrova-mcp: the MCP server through which an AI assistant works in the Kestrova editor.
// It reads JSON-RPC requests from standard input, one per line, and answers on standard output.

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
    OutputLines output;
    // Replies already made leave before the server waits for the editor.
    EditorCall editorCall = [call = makeEditorCall(editorSocket),
                             &output](const QString& tool, const QJsonObject& arguments) {
        flushLines(output);
        return call(tool, arguments);
    };

    InputLines input;
    QByteArray line;
    for (;;) {
        if (!shortLineIsWaiting(input))
            flushLines(output);
        if (!readLine(input, line))
            break;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const Reply reply = handleMessage(line, editorCall);
        const ReplyPieces pieces = replyPieces(reply);
        if (!pieces.isEmpty())
            queueLine(output, pieces);
    }
    flushLines(output);
    // The call, the socket and the application object end in reverse order of creation.
    return 0;
}
