#include "liveProcesses.h"

#include "processLifetime.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcessEnvironment>

QString uniquePipeName(const char* purpose)
{
    static int made = 0;
    return QStringLiteral("kestrova-%1-%2-%3")
        .arg(QString::fromLatin1(purpose))
        .arg(QCoreApplication::applicationPid())
        .arg(++made);
}

void StopProcess::operator()(QProcess* process) const
{
    if (process->state() != QProcess::NotRunning) {
        process->terminate();
        if (!process->waitForFinished(int(processStartTimeout.count()))) {
            process->kill();
            process->waitForFinished(int(processStartTimeout.count()));
        }
    }
    delete process;
}

namespace
{

LiveProcess startStandinOnce(const QString& name, const QStringList& options)
{
    // Its standard error is kept here rather than handed down: a stand-in must never hold the
    // output of whoever runs the test.
    LiveProcess standin(new QProcess);
    endWithThisProcess(*standin);
    standin->start(QStringLiteral(KESTROVA_STANDIN_BINARY),
                   QStringList{QStringLiteral("--name"), name, QStringLiteral("--announce")} +
                       options);
    QElapsedTimer clock;
    clock.start();
    const std::optional<QByteArray> said = readLineFrom(*standin, processStartTimeout);
    if (said && *said == "listening " + name.toUtf8())
        return standin;
    qWarning("the stand-in did not start: %s after %lld ms, %s, process error %d; on standard "
             "error: \"%s\"",
             said ? qPrintable(QStringLiteral("said \"%1\"").arg(QString::fromUtf8(*said)))
                  : "nothing said",
             clock.elapsed(),
             standin->state() == QProcess::NotRunning
                 ? qPrintable(QStringLiteral("exited with %1").arg(standin->exitCode()))
                 : "still running",
             int(standin->error()), standin->readAllStandardError().constData());
    return nullptr;
}

} // namespace

// A second try, said in the log: under Wine a start very rarely comes to nothing, and the stand-in
// is the tests' tool, not what they test.
LiveProcess startStandin(const QString& name, const QStringList& options)
{
    LiveProcess standin = startStandinOnce(name, options);
    return standin ? std::move(standin) : startStandinOnce(name, options);
}

bool terminatesCleanly(QProcess& process)
{
    if (process.state() != QProcess::NotRunning) {
        process.terminate();
        if (!process.waitForFinished(int(processStartTimeout.count())))
            return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

LiveProcess startServer(const QString& name, const std::function<void()>& inChild)
{
    LiveProcess server(new QProcess);
    endWithThisProcess(*server);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KESTROVA_AI_PIPE"), name);
    server->setProcessEnvironment(environment);
#ifdef Q_OS_UNIX
    if (inChild)
        server->setChildProcessModifier(inChild);
#else
    Q_UNUSED(inChild);
#endif
    server->start(QStringLiteral(KESTROVA_MCP_BINARY), QStringList());
    if (!server->waitForStarted(int(processStartTimeout.count())))
        return nullptr;
    return server;
}

std::optional<QByteArray> readLineFrom(QProcess& process, std::chrono::milliseconds timeout)
{
    const QDeadlineTimer deadline(timeout);
    while (!process.canReadLine()) {
        if (deadline.hasExpired() || !process.waitForReadyRead(int(deadline.remainingTime())))
            return std::nullopt;
    }
    QByteArray line = process.readLine();
    line.chop(1);
    return line;
}

bool waitForLine(QProcess& process, const QByteArray& line, std::chrono::milliseconds timeout)
{
    const QDeadlineTimer deadline(timeout);
    const QByteArray wanted = '\n' + line + '\n';
    while (!('\n' + process.peek(process.bytesAvailable())).contains(wanted)) {
        if (deadline.hasExpired() || !process.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    return true;
}
