// kestrova-standin: a stand-in for the Kestrova editor's AI connection, for tests and the demo.
// It listens where the server looks for the editor and answers every tool call with a short
// plausible text, and a small JPEG for the picture tools; --mode makes it misbehave on purpose.

#include "base/qtMessages.h"
#include "editor/editorPipeName.h"
#include "standin/standinConnection.h"
#include "standin/standinOptions.h"
#include "standin/standinPicture.h"
#include "standin/standinSignals.h"

#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>

#include <csignal>
#include <cstdio>
#include <memory>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace
{

int failToStart(const QString& reason)
{
    const QByteArray line = "kestrova-standin: " + reason.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    return 1;
}

void printLine(const QByteArray& line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    // Qt's own diagnostics stay quiet: standard error is kept for the reason of a failed start.
    qInstallMessageHandler(discardQtMessage);
#ifdef _WIN32
    // Lines end in a line feed alone, as on every other system.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
#ifdef SIGPIPE
    // A server that goes away mid-answer only makes the write fail.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    QCoreApplication application(argc, argv);

    auto setup = std::make_shared<StandinSetup>();
    setup->options = parseStandinOptions(QCoreApplication::arguments().mid(1));
    if (!setup->options.error.isEmpty())
        return failToStart(setup->options.error);
    if (!quitOnTerminationSignals())
        return failToStart(QStringLiteral("cannot watch for termination signals"));
    setup->pictureBase64 = pictureBase64(setup->options.imageBytes);

    const QString name = setup->options.name.isEmpty() ? editorPipeName() : setup->options.name;
    QLocalServer server;
    QLocalServer::removeServer(name); // a socket file left behind by a stand-in that crashed
    if (!server.listen(name))
        return failToStart(
            QStringLiteral("cannot listen on %1: %2").arg(name, server.errorString()));

    std::shared_ptr<const StandinSetup> shared = setup;
    QObject::connect(&server, &QLocalServer::newConnection, &server, [&server, shared] {
        while (server.hasPendingConnections())
            serveConnection(server.nextPendingConnection(), shared);
    });
    if (setup->options.announce)
        printLine("listening " + name.toUtf8());

    const int status = application.exec();
    server.close(); // removes the socket file
    return status;
}
